/* The balances of the two previous years and this year's budget per account and sub-account of one
   department. With sharing (PHIBUN 1) the common department '00' keeps only its rounded share of its own
   figures by the account's allocation rates, and any other department gets its rounded share of the common
   figures added. Shares are rounded half up to whole units, FLOOR(0.5 + x). Every figure of a row starts
   at 0. */
RECREATE PROCEDURE SP_KANENDO_BUMON_ZANDAKA (PSCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII, PHIBUN INTEGER)
RETURNS (
    USERCODE VARCHAR(6) CHARACTER SET ASCII,
    KCODE VARCHAR(6) CHARACTER SET ASCII,
    HCODE VARCHAR(6) CHARACTER SET ASCII,
    ZANM32 NUMERIC(16, 4),
    ZANM31 NUMERIC(16, 4),
    ZANM30 NUMERIC(16, 4),
    ZANM29 NUMERIC(16, 4),
    ZANM28 NUMERIC(16, 4),
    ZANM27 NUMERIC(16, 4),
    ZANM26 NUMERIC(16, 4),
    ZANM25 NUMERIC(16, 4),
    ZANM24 NUMERIC(16, 4),
    ZANM23 NUMERIC(16, 4),
    ZANM22 NUMERIC(16, 4),
    ZANM21 NUMERIC(16, 4),
    ZANM20 NUMERIC(16, 4),
    ZANM19 NUMERIC(16, 4),
    ZANM18 NUMERIC(16, 4),
    ZANM17 NUMERIC(16, 4),
    ZANM16 NUMERIC(16, 4),
    ZANM15 NUMERIC(16, 4),
    ZANM14 NUMERIC(16, 4),
    ZANM13 NUMERIC(16, 4),
    ZANM12 NUMERIC(16, 4),
    ZANM11 NUMERIC(16, 4),
    ZANM10 NUMERIC(16, 4),
    ZANM09 NUMERIC(16, 4),
    ZANM08 NUMERIC(16, 4),
    ZANM07 NUMERIC(16, 4),
    ZANM06 NUMERIC(16, 4),
    ZANM05 NUMERIC(16, 4),
    ZANM04 NUMERIC(16, 4),
    ZANM03 NUMERIC(16, 4),
    ZANM02 NUMERIC(16, 4),
    ZANM01 NUMERIC(16, 4),
    ZANM00 NUMERIC(16, 4),
    ZANP01 NUMERIC(16, 4),
    ZANP02 NUMERIC(16, 4),
    ZANP03 NUMERIC(16, 4),
    ZANP04 NUMERIC(16, 4),
    ZANP05 NUMERIC(16, 4),
    ZANP06 NUMERIC(16, 4),
    ZANP07 NUMERIC(16, 4),
    ZANP08 NUMERIC(16, 4),
    ZANP09 NUMERIC(16, 4),
    ZANP10 NUMERIC(16, 4),
    ZANP11 NUMERIC(16, 4),
    ZANP12 NUMERIC(16, 4),
    ZANP13 NUMERIC(16, 4),
    ZANP14 NUMERIC(16, 4),
    ZANP15 NUMERIC(16, 4),
    YOSAN01 NUMERIC(16, 4),
    YOSAN02 NUMERIC(16, 4),
    YOSAN03 NUMERIC(16, 4),
    YOSAN04 NUMERIC(16, 4),
    YOSAN05 NUMERIC(16, 4),
    YOSAN06 NUMERIC(16, 4),
    YOSAN07 NUMERIC(16, 4),
    YOSAN08 NUMERIC(16, 4),
    YOSAN09 NUMERIC(16, 4),
    YOSAN10 NUMERIC(16, 4),
    YOSAN11 NUMERIC(16, 4),
    YOSAN12 NUMERIC(16, 4),
    YOSAN13 NUMERIC(16, 4),
    YOSAN14 NUMERIC(16, 4),
    YOSAN15 NUMERIC(16, 4)
)
AS
DECLARE VARIABLE V_MNUM INTEGER;
DECLARE VARIABLE V_AMT NUMERIC(16, 4);
DECLARE VARIABLE V_BOUND INTEGER;
DECLARE VARIABLE V_RATE NUMERIC(16, 6);
DECLARE VARIABLE V_COMMON NUMERIC(16, 4);
DECLARE VARIABLE R01 NUMERIC(16, 6);
DECLARE VARIABLE R02 NUMERIC(16, 6);
DECLARE VARIABLE R03 NUMERIC(16, 6);
DECLARE VARIABLE R04 NUMERIC(16, 6);
DECLARE VARIABLE R05 NUMERIC(16, 6);
DECLARE VARIABLE R06 NUMERIC(16, 6);
DECLARE VARIABLE R07 NUMERIC(16, 6);
DECLARE VARIABLE R08 NUMERIC(16, 6);
DECLARE VARIABLE R09 NUMERIC(16, 6);
DECLARE VARIABLE R10 NUMERIC(16, 6);
DECLARE VARIABLE R11 NUMERIC(16, 6);
DECLARE VARIABLE R12 NUMERIC(16, 6);
DECLARE VARIABLE R13 NUMERIC(16, 6);
DECLARE VARIABLE R14 NUMERIC(16, 6);
DECLARE VARIABLE R15 NUMERIC(16, 6);
DECLARE VARIABLE R16 NUMERIC(16, 6);
BEGIN
    V_BOUND = NULL;
    SELECT KAISINO FROM ACCDEF1 WHERE REC = 1 INTO :V_BOUND;
    FOR SELECT V.USERCODE, V.KCODE FROM KAMOKU_VIEW V
        WHERE V.SCODE = :PSCODE AND V.BCODE = :PBCODE
        GROUP BY V.USERCODE, V.KCODE
        INTO :USERCODE, :KCODE
    DO
    BEGIN
        R01 = 0;
        R02 = 0;
        R03 = 0;
        R04 = 0;
        R05 = 0;
        R06 = 0;
        R07 = 0;
        R08 = 0;
        R09 = 0;
        R10 = 0;
        R11 = 0;
        R12 = 0;
        R13 = 0;
        R14 = 0;
        R15 = 0;
        R16 = 0;
        IF (PHIBUN = 1) THEN
            SELECT COALESCE(HAIBUN01, 0) * 0.01, COALESCE(HAIBUN02, 0) * 0.01, COALESCE(HAIBUN03, 0) * 0.01, COALESCE(HAIBUN04, 0) * 0.01, COALESCE(HAIBUN05, 0) * 0.01, COALESCE(HAIBUN06, 0) * 0.01, COALESCE(HAIBUN07, 0) * 0.01, COALESCE(HAIBUN08, 0) * 0.01, COALESCE(HAIBUN09, 0) * 0.01, COALESCE(HAIBUN10, 0) * 0.01, COALESCE(HAIBUN11, 0) * 0.01, COALESCE(HAIBUN12, 0) * 0.01, COALESCE(HAIBUN13, 0) * 0.01, COALESCE(HAIBUN14, 0) * 0.01, COALESCE(HAIBUN15, 0) * 0.01, COALESCE(HAIBUN16, 0) * 0.01
                FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = ' ' AND BCODE = :PBCODE
                INTO :R01, :R02, :R03, :R04, :R05, :R06, :R07, :R08, :R09, :R10, :R11, :R12, :R13, :R14, :R15, :R16;
        FOR SELECT HCODE FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = :PBCODE
            ORDER BY HCODE
            INTO :HCODE
        DO
        BEGIN
            ZANM32 = 0;
            ZANM31 = 0;
            ZANM30 = 0;
            ZANM29 = 0;
            ZANM28 = 0;
            ZANM27 = 0;
            ZANM26 = 0;
            ZANM25 = 0;
            ZANM24 = 0;
            ZANM23 = 0;
            ZANM22 = 0;
            ZANM21 = 0;
            ZANM20 = 0;
            ZANM19 = 0;
            ZANM18 = 0;
            ZANM17 = 0;
            ZANM16 = 0;
            ZANM15 = 0;
            ZANM14 = 0;
            ZANM13 = 0;
            ZANM12 = 0;
            ZANM11 = 0;
            ZANM10 = 0;
            ZANM09 = 0;
            ZANM08 = 0;
            ZANM07 = 0;
            ZANM06 = 0;
            ZANM05 = 0;
            ZANM04 = 0;
            ZANM03 = 0;
            ZANM02 = 0;
            ZANM01 = 0;
            ZANM00 = 0;
            ZANP01 = 0;
            ZANP02 = 0;
            ZANP03 = 0;
            ZANP04 = 0;
            ZANP05 = 0;
            ZANP06 = 0;
            ZANP07 = 0;
            ZANP08 = 0;
            ZANP09 = 0;
            ZANP10 = 0;
            ZANP11 = 0;
            ZANP12 = 0;
            ZANP13 = 0;
            ZANP14 = 0;
            ZANP15 = 0;
            YOSAN01 = 0;
            YOSAN02 = 0;
            YOSAN03 = 0;
            YOSAN04 = 0;
            YOSAN05 = 0;
            YOSAN06 = 0;
            YOSAN07 = 0;
            YOSAN08 = 0;
            YOSAN09 = 0;
            YOSAN10 = 0;
            YOSAN11 = 0;
            YOSAN12 = 0;
            YOSAN13 = 0;
            YOSAN14 = 0;
            YOSAN15 = 0;
            FOR SELECT MNUM, COALESCE(BYOSAN, 0) FROM KAMOKU_MS
                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :HCODE AND BCODE = :PBCODE AND MNUM < 16
                INTO :V_MNUM, :V_AMT
            DO
            BEGIN
                V_RATE = 0;
                IF (V_MNUM = 1) THEN V_RATE = R01;
                ELSE IF (V_MNUM = 2) THEN V_RATE = R02;
                ELSE IF (V_MNUM = 3) THEN V_RATE = R03;
                ELSE IF (V_MNUM = 4) THEN V_RATE = R04;
                ELSE IF (V_MNUM = 5) THEN V_RATE = R05;
                ELSE IF (V_MNUM = 6) THEN V_RATE = R06;
                ELSE IF (V_MNUM = 7) THEN V_RATE = R07;
                ELSE IF (V_MNUM = 8) THEN V_RATE = R08;
                ELSE IF (V_MNUM = 9) THEN V_RATE = R09;
                ELSE IF (V_MNUM = 10) THEN V_RATE = R10;
                ELSE IF (V_MNUM = 11) THEN V_RATE = R11;
                ELSE IF (V_MNUM = 12) THEN V_RATE = R12;
                ELSE IF (V_MNUM = 13) THEN V_RATE = R13;
                ELSE IF (V_MNUM = 14) THEN V_RATE = R14;
                ELSE IF (V_MNUM = 15) THEN V_RATE = R15;
                ELSE IF (V_MNUM = 16) THEN V_RATE = R16;
                IF (PHIBUN = 1 AND PBCODE = '00') THEN
                    V_AMT = FLOOR(0.5 + V_AMT * V_RATE);
                ELSE IF (PHIBUN = 1) THEN
                BEGIN
                    V_COMMON = NULL;
                    SELECT SUM(BYOSAN) FROM KAMOKU_MS
                        WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = '00' AND MNUM = :V_MNUM
                        INTO :V_COMMON;
                    V_AMT = V_AMT + FLOOR(0.5 + COALESCE(V_COMMON, 0) * V_RATE);
                END
                IF (V_MNUM = 1) THEN YOSAN01 = V_AMT;
                ELSE IF (V_MNUM = 2) THEN YOSAN02 = V_AMT;
                ELSE IF (V_MNUM = 3) THEN YOSAN03 = V_AMT;
                ELSE IF (V_MNUM = 4) THEN YOSAN04 = V_AMT;
                ELSE IF (V_MNUM = 5) THEN YOSAN05 = V_AMT;
                ELSE IF (V_MNUM = 6) THEN YOSAN06 = V_AMT;
                ELSE IF (V_MNUM = 7) THEN YOSAN07 = V_AMT;
                ELSE IF (V_MNUM = 8) THEN YOSAN08 = V_AMT;
                ELSE IF (V_MNUM = 9) THEN YOSAN09 = V_AMT;
                ELSE IF (V_MNUM = 10) THEN YOSAN10 = V_AMT;
                ELSE IF (V_MNUM = 11) THEN YOSAN11 = V_AMT;
                ELSE IF (V_MNUM = 12) THEN YOSAN12 = V_AMT;
                ELSE IF (V_MNUM = 13) THEN YOSAN13 = V_AMT;
                ELSE IF (V_MNUM = 14) THEN YOSAN14 = V_AMT;
                ELSE IF (V_MNUM = 15) THEN YOSAN15 = V_AMT;
            END
            FOR SELECT MNUM, COALESCE(NUKIZAN, 0), COALESCE(HAIBUN, 0) * 0.01 FROM KAMOKU_PZ
                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :HCODE AND BCODE = :PBCODE
                  AND MNUM < :V_BOUND
                INTO :V_MNUM, :V_AMT, :V_RATE
            DO
            BEGIN
                IF (PHIBUN = 1 AND PBCODE = '00') THEN
                    V_AMT = FLOOR(0.5 + V_AMT * V_RATE);
                ELSE IF (PHIBUN = 1) THEN
                BEGIN
                    V_COMMON = NULL;
                    SELECT NUKIZAN FROM KAMOKU_PZ
                        WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :HCODE AND BCODE = '00'
                          AND MNUM = :V_MNUM
                        INTO :V_COMMON;
                    V_AMT = V_AMT + FLOOR(0.5 + COALESCE(V_COMMON, 0) * V_RATE);
                END
                IF (V_MNUM = -32) THEN ZANM32 = V_AMT;
                ELSE IF (V_MNUM = -31) THEN ZANM31 = V_AMT;
                ELSE IF (V_MNUM = -30) THEN ZANM30 = V_AMT;
                ELSE IF (V_MNUM = -29) THEN ZANM29 = V_AMT;
                ELSE IF (V_MNUM = -28) THEN ZANM28 = V_AMT;
                ELSE IF (V_MNUM = -27) THEN ZANM27 = V_AMT;
                ELSE IF (V_MNUM = -26) THEN ZANM26 = V_AMT;
                ELSE IF (V_MNUM = -25) THEN ZANM25 = V_AMT;
                ELSE IF (V_MNUM = -24) THEN ZANM24 = V_AMT;
                ELSE IF (V_MNUM = -23) THEN ZANM23 = V_AMT;
                ELSE IF (V_MNUM = -22) THEN ZANM22 = V_AMT;
                ELSE IF (V_MNUM = -21) THEN ZANM21 = V_AMT;
                ELSE IF (V_MNUM = -20) THEN ZANM20 = V_AMT;
                ELSE IF (V_MNUM = -19) THEN ZANM19 = V_AMT;
                ELSE IF (V_MNUM = -18) THEN ZANM18 = V_AMT;
                ELSE IF (V_MNUM = -17) THEN ZANM17 = V_AMT;
                ELSE IF (V_MNUM = -16) THEN ZANM16 = V_AMT;
                ELSE IF (V_MNUM = -15) THEN ZANM15 = V_AMT;
                ELSE IF (V_MNUM = -14) THEN ZANM14 = V_AMT;
                ELSE IF (V_MNUM = -13) THEN ZANM13 = V_AMT;
                ELSE IF (V_MNUM = -12) THEN ZANM12 = V_AMT;
                ELSE IF (V_MNUM = -11) THEN ZANM11 = V_AMT;
                ELSE IF (V_MNUM = -10) THEN ZANM10 = V_AMT;
                ELSE IF (V_MNUM = -9) THEN ZANM09 = V_AMT;
                ELSE IF (V_MNUM = -8) THEN ZANM08 = V_AMT;
                ELSE IF (V_MNUM = -7) THEN ZANM07 = V_AMT;
                ELSE IF (V_MNUM = -6) THEN ZANM06 = V_AMT;
                ELSE IF (V_MNUM = -5) THEN ZANM05 = V_AMT;
                ELSE IF (V_MNUM = -4) THEN ZANM04 = V_AMT;
                ELSE IF (V_MNUM = -3) THEN ZANM03 = V_AMT;
                ELSE IF (V_MNUM = -2) THEN ZANM02 = V_AMT;
                ELSE IF (V_MNUM = -1) THEN ZANM01 = V_AMT;
                ELSE IF (V_MNUM = 0) THEN ZANM00 = V_AMT;
                ELSE IF (V_MNUM = 1) THEN ZANP01 = V_AMT;
                ELSE IF (V_MNUM = 2) THEN ZANP02 = V_AMT;
                ELSE IF (V_MNUM = 3) THEN ZANP03 = V_AMT;
                ELSE IF (V_MNUM = 4) THEN ZANP04 = V_AMT;
                ELSE IF (V_MNUM = 5) THEN ZANP05 = V_AMT;
                ELSE IF (V_MNUM = 6) THEN ZANP06 = V_AMT;
                ELSE IF (V_MNUM = 7) THEN ZANP07 = V_AMT;
                ELSE IF (V_MNUM = 8) THEN ZANP08 = V_AMT;
                ELSE IF (V_MNUM = 9) THEN ZANP09 = V_AMT;
                ELSE IF (V_MNUM = 10) THEN ZANP10 = V_AMT;
                ELSE IF (V_MNUM = 11) THEN ZANP11 = V_AMT;
                ELSE IF (V_MNUM = 12) THEN ZANP12 = V_AMT;
                ELSE IF (V_MNUM = 13) THEN ZANP13 = V_AMT;
                ELSE IF (V_MNUM = 14) THEN ZANP14 = V_AMT;
                ELSE IF (V_MNUM = 15) THEN ZANP15 = V_AMT;
            END
            SUSPEND;
        END
    END
END^
