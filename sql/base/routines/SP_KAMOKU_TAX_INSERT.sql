/* The tax-total rows of a facility and department: every tax class and period. */
CREATE PROCEDURE SP_KAMOKU_TAX_INSERT (PSCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII)
AS
DECLARE VARIABLE K INTEGER;
DECLARE VARIABLE M INTEGER;
BEGIN
    K = 0;
    WHILE (K <= 9) DO
    BEGIN
        M = -31;
        WHILE (M <= 16) DO
        BEGIN
            IF (NOT EXISTS (SELECT 1 FROM KAMOKU_TAX WHERE SCODE = :PSCODE AND BCODE = :PBCODE
                            AND KKUBUN = :K AND MNUM = :M)) THEN
                INSERT INTO KAMOKU_TAX (SCODE, BCODE, KKUBUN, MNUM, KAR, KAS) VALUES (:PSCODE, :PBCODE, :K, :M, 0, 0);
            M = M + 1;
        END
        K = K + 1;
    END
END^
