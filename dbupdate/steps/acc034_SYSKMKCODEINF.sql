/* The code of a system account by its name in ACCDEF2; a name several accounts share gives the smallest
   code, an unknown name ''. Always exactly one row. */
ALTER PROCEDURE SYSKMKCODEINF (TXT VARCHAR(40) CHARACTER SET SJIS_0208)
RETURNS (CODE VARCHAR(6) CHARACTER SET ASCII)
AS
DECLARE VARIABLE V_KCODE VARCHAR(6) CHARACTER SET ASCII;
BEGIN
    CODE = '';
    FOR SELECT KCODE FROM ACCDEF2 WHERE KNAME = :TXT ORDER BY KCODE INTO :V_KCODE DO
    BEGIN
        CODE = COALESCE(V_KCODE, '');
        SUSPEND;
        EXIT;
    END
    SUSPEND;
END^
