/* The earlier-period balances of each account of a facility (classifications below '9900'), over all
   departments or of one department, per period number; with PTAXUH 0 including their tax. Every amount
   of a row starts at 0. */
RECREATE PROCEDURE SP_MB_SELECT_KANENDOZAN (PSCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII, PTAXUH INTEGER)
RETURNS (
    KGROUP VARCHAR(6) CHARACTER SET ASCII,
    KCODE VARCHAR(6) CHARACTER SET ASCII,
    BCODE VARCHAR(6) CHARACTER SET ASCII,
    KNAME VARCHAR(14) CHARACTER SET SJIS_0208,
    BNAME VARCHAR(14) CHARACTER SET SJIS_0208,
    DAC INTEGER,
    ZZZ_ZAN16 NUMERIC(16, 4),
    ZZ_ZAN1 NUMERIC(16, 4),
    ZZ_ZAN2 NUMERIC(16, 4),
    ZZ_ZAN3 NUMERIC(16, 4),
    ZZ_ZAN4 NUMERIC(16, 4),
    ZZ_ZAN5 NUMERIC(16, 4),
    ZZ_ZAN6 NUMERIC(16, 4),
    ZZ_ZAN7 NUMERIC(16, 4),
    ZZ_ZAN8 NUMERIC(16, 4),
    ZZ_ZAN9 NUMERIC(16, 4),
    ZZ_ZAN10 NUMERIC(16, 4),
    ZZ_ZAN11 NUMERIC(16, 4),
    ZZ_ZAN12 NUMERIC(16, 4),
    ZZ_ZAN13 NUMERIC(16, 4),
    ZZ_ZAN14 NUMERIC(16, 4),
    ZZ_ZAN15 NUMERIC(16, 4),
    ZZ_ZAN16 NUMERIC(16, 4),
    Z_ZAN1 NUMERIC(16, 4),
    Z_ZAN2 NUMERIC(16, 4),
    Z_ZAN3 NUMERIC(16, 4),
    Z_ZAN4 NUMERIC(16, 4),
    Z_ZAN5 NUMERIC(16, 4),
    Z_ZAN6 NUMERIC(16, 4),
    Z_ZAN7 NUMERIC(16, 4),
    Z_ZAN8 NUMERIC(16, 4),
    Z_ZAN9 NUMERIC(16, 4),
    Z_ZAN10 NUMERIC(16, 4),
    Z_ZAN11 NUMERIC(16, 4),
    Z_ZAN12 NUMERIC(16, 4),
    Z_ZAN13 NUMERIC(16, 4),
    Z_ZAN14 NUMERIC(16, 4),
    Z_ZAN15 NUMERIC(16, 4),
    Z_ZAN16 NUMERIC(16, 4),
    T_ZAN1 NUMERIC(16, 4),
    T_ZAN2 NUMERIC(16, 4),
    T_ZAN3 NUMERIC(16, 4),
    T_ZAN4 NUMERIC(16, 4),
    T_ZAN5 NUMERIC(16, 4),
    T_ZAN6 NUMERIC(16, 4),
    T_ZAN7 NUMERIC(16, 4),
    T_ZAN8 NUMERIC(16, 4),
    T_ZAN9 NUMERIC(16, 4),
    T_ZAN10 NUMERIC(16, 4),
    T_ZAN11 NUMERIC(16, 4),
    T_ZAN12 NUMERIC(16, 4),
    T_ZAN13 NUMERIC(16, 4),
    T_ZAN14 NUMERIC(16, 4),
    T_ZAN15 NUMERIC(16, 4),
    T_ZAN16 NUMERIC(16, 4)
)
AS
DECLARE VARIABLE V_BCODE VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE V_MNUM INTEGER;
DECLARE VARIABLE V_NUK NUMERIC(16, 4);
DECLARE VARIABLE V_TAX NUMERIC(16, 4);
BEGIN
    /* An empty department code means no department, as a blank does. */
    V_BCODE = IIF(OCTET_LENGTH(COALESCE(PBCODE, '')) = 0, ' ', PBCODE);
    FOR SELECT V.GROUPM0, V.KCODE, V.KNAME, V.DAC FROM KAMOKU_PZ P INNER JOIN KAMOKU_VIEW V ON (V.SCODE = P.SCODE AND V.KCODE = P.KCODE AND V.HCODE = P.HCODE AND V.BCODE = P.BCODE)
        WHERE P.SCODE = :PSCODE AND P.HCODE = ' ' AND V.GROUPM0 < '9900' AND (:V_BCODE = ' ' OR P.BCODE = :V_BCODE)
        GROUP BY V.GROUPM0, V.KCODE, V.KNAME, V.DAC
        ORDER BY V.GROUPM0, V.KCODE
        INTO :KGROUP, :KCODE, :KNAME, :DAC
    DO
    BEGIN
        BCODE = '';
        BNAME = '';
        IF (V_BCODE <> ' ') THEN
            SELECT BCODE, BNAME FROM BUMONMST WHERE BCODE = :V_BCODE INTO :BCODE, :BNAME;
        ZZZ_ZAN16 = 0;
        ZZ_ZAN1 = 0;
        ZZ_ZAN2 = 0;
        ZZ_ZAN3 = 0;
        ZZ_ZAN4 = 0;
        ZZ_ZAN5 = 0;
        ZZ_ZAN6 = 0;
        ZZ_ZAN7 = 0;
        ZZ_ZAN8 = 0;
        ZZ_ZAN9 = 0;
        ZZ_ZAN10 = 0;
        ZZ_ZAN11 = 0;
        ZZ_ZAN12 = 0;
        ZZ_ZAN13 = 0;
        ZZ_ZAN14 = 0;
        ZZ_ZAN15 = 0;
        ZZ_ZAN16 = 0;
        Z_ZAN1 = 0;
        Z_ZAN2 = 0;
        Z_ZAN3 = 0;
        Z_ZAN4 = 0;
        Z_ZAN5 = 0;
        Z_ZAN6 = 0;
        Z_ZAN7 = 0;
        Z_ZAN8 = 0;
        Z_ZAN9 = 0;
        Z_ZAN10 = 0;
        Z_ZAN11 = 0;
        Z_ZAN12 = 0;
        Z_ZAN13 = 0;
        Z_ZAN14 = 0;
        Z_ZAN15 = 0;
        Z_ZAN16 = 0;
        T_ZAN1 = 0;
        T_ZAN2 = 0;
        T_ZAN3 = 0;
        T_ZAN4 = 0;
        T_ZAN5 = 0;
        T_ZAN6 = 0;
        T_ZAN7 = 0;
        T_ZAN8 = 0;
        T_ZAN9 = 0;
        T_ZAN10 = 0;
        T_ZAN11 = 0;
        T_ZAN12 = 0;
        T_ZAN13 = 0;
        T_ZAN14 = 0;
        T_ZAN15 = 0;
        T_ZAN16 = 0;
        FOR SELECT P.MNUM, SUM(P.NUKIZAN), SUM(P.ZEIGAKU) FROM KAMOKU_PZ P INNER JOIN KAMOKU_VIEW V ON (V.SCODE = P.SCODE AND V.KCODE = P.KCODE AND V.HCODE = P.HCODE AND V.BCODE = P.BCODE)
            WHERE P.SCODE = :PSCODE AND P.KCODE = :KCODE AND P.HCODE = ' '
              AND (:V_BCODE = ' ' OR P.BCODE = :V_BCODE)
            GROUP BY P.MNUM
            INTO :V_MNUM, :V_NUK, :V_TAX
        DO
        BEGIN
            V_NUK = COALESCE(V_NUK, 0) + IIF(PTAXUH = 0, COALESCE(V_TAX, 0), 0);
            IF (V_MNUM = -32) THEN ZZZ_ZAN16 = V_NUK;
            ELSE IF (V_MNUM = -31) THEN ZZ_ZAN1 = V_NUK;
            ELSE IF (V_MNUM = -30) THEN ZZ_ZAN2 = V_NUK;
            ELSE IF (V_MNUM = -29) THEN ZZ_ZAN3 = V_NUK;
            ELSE IF (V_MNUM = -28) THEN ZZ_ZAN4 = V_NUK;
            ELSE IF (V_MNUM = -27) THEN ZZ_ZAN5 = V_NUK;
            ELSE IF (V_MNUM = -26) THEN ZZ_ZAN6 = V_NUK;
            ELSE IF (V_MNUM = -25) THEN ZZ_ZAN7 = V_NUK;
            ELSE IF (V_MNUM = -24) THEN ZZ_ZAN8 = V_NUK;
            ELSE IF (V_MNUM = -23) THEN ZZ_ZAN9 = V_NUK;
            ELSE IF (V_MNUM = -22) THEN ZZ_ZAN10 = V_NUK;
            ELSE IF (V_MNUM = -21) THEN ZZ_ZAN11 = V_NUK;
            ELSE IF (V_MNUM = -20) THEN ZZ_ZAN12 = V_NUK;
            ELSE IF (V_MNUM = -19) THEN ZZ_ZAN13 = V_NUK;
            ELSE IF (V_MNUM = -18) THEN ZZ_ZAN14 = V_NUK;
            ELSE IF (V_MNUM = -17) THEN ZZ_ZAN15 = V_NUK;
            ELSE IF (V_MNUM = -16) THEN ZZ_ZAN16 = V_NUK;
            ELSE IF (V_MNUM = -15) THEN Z_ZAN1 = V_NUK;
            ELSE IF (V_MNUM = -14) THEN Z_ZAN2 = V_NUK;
            ELSE IF (V_MNUM = -13) THEN Z_ZAN3 = V_NUK;
            ELSE IF (V_MNUM = -12) THEN Z_ZAN4 = V_NUK;
            ELSE IF (V_MNUM = -11) THEN Z_ZAN5 = V_NUK;
            ELSE IF (V_MNUM = -10) THEN Z_ZAN6 = V_NUK;
            ELSE IF (V_MNUM = -9) THEN Z_ZAN7 = V_NUK;
            ELSE IF (V_MNUM = -8) THEN Z_ZAN8 = V_NUK;
            ELSE IF (V_MNUM = -7) THEN Z_ZAN9 = V_NUK;
            ELSE IF (V_MNUM = -6) THEN Z_ZAN10 = V_NUK;
            ELSE IF (V_MNUM = -5) THEN Z_ZAN11 = V_NUK;
            ELSE IF (V_MNUM = -4) THEN Z_ZAN12 = V_NUK;
            ELSE IF (V_MNUM = -3) THEN Z_ZAN13 = V_NUK;
            ELSE IF (V_MNUM = -2) THEN Z_ZAN14 = V_NUK;
            ELSE IF (V_MNUM = -1) THEN Z_ZAN15 = V_NUK;
            ELSE IF (V_MNUM = 0) THEN Z_ZAN16 = V_NUK;
            ELSE IF (V_MNUM = 1) THEN T_ZAN1 = V_NUK;
            ELSE IF (V_MNUM = 2) THEN T_ZAN2 = V_NUK;
            ELSE IF (V_MNUM = 3) THEN T_ZAN3 = V_NUK;
            ELSE IF (V_MNUM = 4) THEN T_ZAN4 = V_NUK;
            ELSE IF (V_MNUM = 5) THEN T_ZAN5 = V_NUK;
            ELSE IF (V_MNUM = 6) THEN T_ZAN6 = V_NUK;
            ELSE IF (V_MNUM = 7) THEN T_ZAN7 = V_NUK;
            ELSE IF (V_MNUM = 8) THEN T_ZAN8 = V_NUK;
            ELSE IF (V_MNUM = 9) THEN T_ZAN9 = V_NUK;
            ELSE IF (V_MNUM = 10) THEN T_ZAN10 = V_NUK;
            ELSE IF (V_MNUM = 11) THEN T_ZAN11 = V_NUK;
            ELSE IF (V_MNUM = 12) THEN T_ZAN12 = V_NUK;
            ELSE IF (V_MNUM = 13) THEN T_ZAN13 = V_NUK;
            ELSE IF (V_MNUM = 14) THEN T_ZAN14 = V_NUK;
            ELSE IF (V_MNUM = 15) THEN T_ZAN15 = V_NUK;
            ELSE IF (V_MNUM = 16) THEN T_ZAN16 = V_NUK;
        END
        SUSPEND;
    END
END^
