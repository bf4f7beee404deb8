/* File-manager database "plfileman.fdb" beside the system database of a database server.

   Run against a freshly created database whose default character set is SJIS_0208 (dialect 3), as
   the other schema scripts are. A client moves a file between its own disk and the server's through
   a row of FILETRANS: SP_FILETOBLOB reads a server file into a blob, SP_BLOBTOFILE writes a blob into
   a server file and gives the number of bytes written. Both are external functions of the UDR module
   "qvfileops" (udr/ of the source tree), which the server loads from its UDR folder. */

SET SQL DIALECT 3;
SET AUTODDL ON;

/* One row per operator: the key is "PLZ_" and the operator key. */
CREATE TABLE FILETRANS (
    CONTENT_ID VARCHAR(40) CHARACTER SET ASCII NOT NULL,
    CONTENT BLOB SUB_TYPE BINARY,
    CONSTRAINT PK_FILETRANS PRIMARY KEY (CONTENT_ID)
);

CREATE FUNCTION SP_FILETOBLOB (FILEPATH VARCHAR(254) CHARACTER SET SJIS_0208)
RETURNS BLOB SUB_TYPE BINARY
EXTERNAL NAME 'qvfileops!filetoblob' ENGINE UDR;

CREATE FUNCTION SP_BLOBTOFILE (FILEPATH VARCHAR(254) CHARACTER SET SJIS_0208, CONTENT BLOB SUB_TYPE BINARY)
RETURNS BIGINT
EXTERNAL NAME 'qvfileops!blobtofile' ENGINE UDR;

COMMIT;
