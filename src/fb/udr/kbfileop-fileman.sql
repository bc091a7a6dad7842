/* Declares the blob transfer routines of the UDR module "kbfileop" in the file-transfer database
   "vqfileman.fdb" (docs/server-files.md). Run through isql-fb -ch SJIS_0208. */

SET NAMES SJIS_0208;

CREATE OR ALTER FUNCTION SP_FILETOBLOB (
  FILEPATH VARCHAR(1024) CHARACTER SET SJIS_0208)
RETURNS BLOB SUB_TYPE 0
EXTERNAL NAME 'kbfileop!filetoblob' ENGINE UDR;

CREATE OR ALTER FUNCTION SP_BLOBTOFILE (
  FILEPATH VARCHAR(1024) CHARACTER SET SJIS_0208,
  CONTENT BLOB SUB_TYPE 0)
RETURNS INTEGER
EXTERNAL NAME 'kbfileop!blobtofile' ENGINE UDR;

COMMIT;
