/* Declares the server file operations of the UDR module "kbfileop" in the system database
   "vqaccdef.fdb". The module must be installed in the server's plugins/udr folder with its
   "kbfileop.conf" naming the data roots (docs/server-files.md). UTF-8 in the repository; run
   through isql-fb -ch SJIS_0208. */

SET NAMES SJIS_0208;

SET TERM ^ ;

CREATE OR ALTER PROCEDURE FILEOPERATION (
  MODE VARCHAR(10) CHARACTER SET SJIS_0208,
  FILEPATH1 VARCHAR(1024) CHARACTER SET SJIS_0208,
  FILEPATH2 VARCHAR(1024) CHARACTER SET SJIS_0208)
RETURNS (WBOOL INTEGER)
EXTERNAL NAME 'kbfileop!fileoperation' ENGINE UDR^

CREATE OR ALTER PROCEDURE DIRECTORYTEST (
  MODE VARCHAR(10) CHARACTER SET SJIS_0208,
  FILEPATH1 VARCHAR(1024) CHARACTER SET SJIS_0208)
RETURNS (WBOOL INTEGER)
EXTERNAL NAME 'kbfileop!directorytest' ENGINE UDR^

/* There are no short (8.3) names on the server: the name is its own short form. */
CREATE OR ALTER PROCEDURE LONGTOSHORTFILENAME (
  LONGNAME VARCHAR(1024) CHARACTER SET SJIS_0208)
RETURNS (SHORTNAME VARCHAR(1024) CHARACTER SET SJIS_0208)
AS
BEGIN
  SHORTNAME = LONGNAME;
  SUSPEND;
END^

SET TERM ; ^

COMMIT;
