/* A dictionary heading without its own number takes its row number. */
CREATE PROCEDURE ONE_TIME_PROC
AS
BEGIN
    UPDATE ORGDIC_1 SET CREC = REC WHERE CREC = 0;
END^
