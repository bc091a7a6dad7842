/* File-transfer database "vqfileman.fdb": carries backup files between the database server and a
   client as blobs. UTF-8 in the repository; run as CP932 through isql-fb -ch SJIS_0208.
   The server-side routines SP_FILETOBLOB and SP_BLOBTOFILE are installed with the server's
   file-operation plugin, not by this script. */

SET NAMES SJIS_0208;

CREATE TABLE FILETRANS (
  CONTENT_ID VARCHAR(64) CHARACTER SET ASCII NOT NULL,
  CONTENT    BLOB SUB_TYPE 0 SEGMENT SIZE 4096,
  CONSTRAINT PK_FILETRANS PRIMARY KEY (CONTENT_ID)
);

COMMIT;
