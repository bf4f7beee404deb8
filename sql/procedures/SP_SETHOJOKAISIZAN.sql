/* The carry-forward into the new year: every opening balance of a balance-sheet account becomes its closing
   balance of the year, every profit-and-loss opening balance becomes 0. Without tax (PTAX 1) the movements
   count without their tax, and the two tax accounts take the tax totals of their facility and department
   instead. Returns the numbers of balance-sheet and profit-and-loss rows visited. */
CREATE OR ALTER PROCEDURE SP_SETHOJOKAISIZAN (PTAX INTEGER)
RETURNS (BCOUNT INTEGER, PCOUNT INTEGER)
AS
DECLARE VARIABLE KUKE VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE KBARAI VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE S VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE K VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE H VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE B VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE OPEN_ NUMERIC(16,4);
DECLARE VARIABLE AB VARCHAR(8) CHARACTER SET ASCII;
DECLARE VARIABLE AD INTEGER;
DECLARE VARIABLE KN NUMERIC(16,4);
DECLARE VARIABLE KT NUMERIC(16,4);
DECLARE VARIABLE SN NUMERIC(16,4);
DECLARE VARIABLE ST NUMERIC(16,4);
DECLARE VARIABLE DR NUMERIC(16,4);
DECLARE VARIABLE CR NUMERIC(16,4);
DECLARE VARIABLE TK INTEGER;
DECLARE VARIABLE CLOSING NUMERIC(16,4);
BEGIN
    BCOUNT = 0;
    PCOUNT = 0;
    EXECUTE PROCEDURE SYSKMKCODEINF '仮受消費税' RETURNING_VALUES :KUKE;
    EXECUTE PROCEDURE SYSKMKCODEINF '仮払消費税' RETURNING_VALUES :KBARAI;
    FOR SELECT Z.SCODE, Z.KCODE, Z.HCODE, Z.BCODE, Z.KAISIZAN, K.BPFLG, K.DAC
        FROM KAMOKU_SZ Z JOIN KAMOKUMST K ON K.KCODE = Z.KCODE
        ORDER BY Z.SCODE, Z.KCODE, Z.HCODE DESC, Z.BCODE
        INTO :S, :K, :H, :B, :OPEN_, :AB, :AD
    DO
    BEGIN
        IF (AB = 'B') THEN
        BEGIN
            BCOUNT = BCOUNT + 1;
            KN = 0; KT = 0; SN = 0; ST = 0;
            SELECT SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX) FROM KAMOKU_MS
                WHERE SCODE = :S AND KCODE = :K AND HCODE = :H AND BCODE = :B AND MNUM < 17
                INTO :KN, :KT, :SN, :ST;
            DR = COALESCE(KN, 0);
            CR = COALESCE(SN, 0);
            IF (PTAX = 0) THEN
            BEGIN
                DR = DR + COALESCE(KT, 0);
                CR = CR + COALESCE(ST, 0);
            END
            ELSE
            BEGIN
                TK = 0;
                IF (K = KUKE) THEN TK = 1;
                IF (K = KBARAI) THEN TK = 2;
                IF (TK > 0) THEN
                BEGIN
                    KT = 0; ST = 0;
                    SELECT SUM(KAR), SUM(KAS) FROM KAMOKU_TAX
                        WHERE SCODE = :S AND BCODE = :B AND KKUBUN = :TK AND MNUM < 17
                        INTO :KT, :ST;
                    DR = DR + COALESCE(KT, 0);
                    CR = CR + COALESCE(ST, 0);
                END
            END
            IF (AD = 1 OR AD = 4) THEN CLOSING = COALESCE(OPEN_, 0) + DR - CR;
            ELSE CLOSING = COALESCE(OPEN_, 0) + CR - DR;
        END
        ELSE
        BEGIN
            PCOUNT = PCOUNT + 1;
            CLOSING = 0;
        END
        UPDATE KAMOKU_SZ SET KAISIZAN = :CLOSING
            WHERE SCODE = :S AND KCODE = :K AND HCODE = :H AND BCODE = :B;
    END
END^
