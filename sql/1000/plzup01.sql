/* The system-account lookup gives the first code of the name; the account rows of a new sub-account. */
SET TERM ^ ;
CREATE OR ALTER PROCEDURE SYSKMKCODEINF (TXT VARCHAR(40) CHARACTER SET SJIS_0208)
RETURNS (CODE VARCHAR(6) CHARACTER SET ASCII)
AS
BEGIN
    CODE = '';
    SELECT FIRST 1 KCODE FROM ACCDEF2 WHERE KNAME = :TXT ORDER BY KCODE INTO :CODE;
    CODE = COALESCE(CODE, '');
    SUSPEND;
END^

/* Opening-balance rows of a new sub-account PHCODE of account PKCODE.

   The (facility, department) pairs that get a row: with ACCDEF1.HOJO_INS_MODE 1 the departments of
   PSCODE that already have rows of the account, then the pairs of the other facilities whose rows of the
   account number more than one (they already keep sub-accounts of it); with any other mode every pair
   that has rows of the account. Department ' ' always gets its row; another department only when the
   dataset keeps departments on every account (BUMON 2), or on profit-and-loss accounts (BUMON 1) and the
   account's group is from 4000 up to but excluding 8000. The common department '00' starts with an
   allocation of 100 percent in all sixteen periods. */
CREATE OR ALTER PROCEDURE SP_HOJO_KAMOKUSZ_INS (
    PSCODE VARCHAR(6) CHARACTER SET ASCII,
    PKCODE VARCHAR(6) CHARACTER SET ASCII,
    PHCODE VARCHAR(6) CHARACTER SET ASCII)
RETURNS (
    OUT_SCODE VARCHAR(6) CHARACTER SET ASCII,
    OUT_KCODE VARCHAR(6) CHARACTER SET ASCII,
    OUT_HCODE VARCHAR(6) CHARACTER SET ASCII)
AS
DECLARE VARIABLE VMODE INTEGER;
DECLARE VARIABLE VBUMON INTEGER;
DECLARE VARIABLE VGROUP INTEGER;
DECLARE VARIABLE VSCODE VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE VBCODE VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE VORDER INTEGER;
BEGIN
    OUT_SCODE = '';
    OUT_KCODE = '';
    OUT_HCODE = '';
    SELECT COALESCE(HOJO_INS_MODE, 0), COALESCE(BUMON, 0) FROM ACCDEF1 WHERE REC = 1
        INTO :VMODE, :VBUMON;
    VGROUP = NULL;
    SELECT GROUPM1 FROM KAMOKUMST WHERE KCODE = :PKCODE INTO :VGROUP;
    VGROUP = COALESCE(VGROUP, 0);

    FOR SELECT P.PORDER, P.SCODE, P.BCODE FROM (
            SELECT DISTINCT 0 AS PORDER, Z.SCODE, Z.BCODE FROM KAMOKU_SZ Z
                WHERE :VMODE = 1 AND Z.SCODE = :PSCODE AND Z.KCODE = :PKCODE
            UNION
            SELECT DISTINCT 1 AS PORDER, Z.SCODE, Z.BCODE FROM KAMOKU_SZ Z
                WHERE :VMODE = 1 AND Z.SCODE <> :PSCODE AND Z.KCODE = :PKCODE
                  AND (SELECT COUNT(*) FROM KAMOKU_SZ C WHERE C.SCODE = Z.SCODE AND C.KCODE = :PKCODE) > 1
            UNION
            SELECT DISTINCT 0 AS PORDER, Z.SCODE, Z.BCODE FROM KAMOKU_SZ Z
                WHERE :VMODE <> 1 AND Z.KCODE = :PKCODE) P
        ORDER BY P.PORDER, P.SCODE, P.BCODE
        INTO :VORDER, :VSCODE, :VBCODE
    DO
    BEGIN
        IF ((VBCODE = ' ' OR VBUMON = 2 OR (VBUMON = 1 AND VGROUP >= 4000 AND VGROUP < 8000))
            AND NOT EXISTS (SELECT 1 FROM KAMOKU_SZ X WHERE X.SCODE = :VSCODE AND X.KCODE = :PKCODE
                                AND X.HCODE = :PHCODE AND X.BCODE = :VBCODE)) THEN
        BEGIN
            IF (VBCODE = '00') THEN
                INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE, KAISIZAN,
                        HAIBUN01, HAIBUN02, HAIBUN03, HAIBUN04, HAIBUN05, HAIBUN06, HAIBUN07, HAIBUN08,
                        HAIBUN09, HAIBUN10, HAIBUN11, HAIBUN12, HAIBUN13, HAIBUN14, HAIBUN15, HAIBUN16,
                        KAKOZAN)
                    VALUES (:VSCODE, :PKCODE, :PHCODE, :VBCODE, 0,
                        100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 0);
            ELSE
                INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE)
                    VALUES (:VSCODE, :PKCODE, :PHCODE, :VBCODE);
        END
    END

    OUT_SCODE = PSCODE;
    OUT_KCODE = PKCODE;
    OUT_HCODE = PHCODE;
    SUSPEND;
END^

SET TERM ; ^
COMMIT;
