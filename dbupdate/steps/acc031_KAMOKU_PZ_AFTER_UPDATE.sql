/* KAKOZAN of the opening balance tells whether earlier-period balances exist: the largest non-zero
   balance of the row's earlier periods (the one before the two years left out), 0 when there is none. */
ALTER TRIGGER KAMOKU_PZ_AFTER_UPDATE
AS
DECLARE VARIABLE V_ZAN NUMERIC(16, 4);
BEGIN
    IF (NEW.NUKIZAN IS DISTINCT FROM OLD.NUKIZAN) THEN
    BEGIN
        V_ZAN = NULL;
        SELECT MAX(NUKIZAN) FROM KAMOKU_PZ
            WHERE SCODE = NEW.SCODE AND KCODE = NEW.KCODE AND HCODE = NEW.HCODE AND BCODE = NEW.BCODE
              AND NUKIZAN <> 0 AND MNUM <> -32
            INTO :V_ZAN;
        UPDATE KAMOKU_SZ SET KAKOZAN = COALESCE(:V_ZAN, 0)
            WHERE SCODE = NEW.SCODE AND KCODE = NEW.KCODE AND HCODE = NEW.HCODE AND BCODE = NEW.BCODE;
    END
END^
