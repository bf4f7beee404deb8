/* The budget/actual figures of SP_YOJITU_HENDOU_SONEKI for one facility and department. With PHIBUN 1 the
   common department '00' is shared out by the percentages of the account's row of the department: the common
   department keeps its share of every amount, another department adds its share of the common movements,
   of the common budget (by the first period's percentage) and, before a mid-year start, of the common
   department's prior balances. Shares are rounded half up to whole units. */
CREATE OR ALTER PROCEDURE SP_YOJITU_HENDOUSONEKI_BUMON (PTAX INTEGER, PHIBUN INTEGER, PSCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII)
RETURNS (
    GROUPM0 VARCHAR(6) CHARACTER SET ASCII, USERCODE VARCHAR(6) CHARACTER SET ASCII, KCODE VARCHAR(6) CHARACTER SET ASCII, KNAME VARCHAR(14) CHARACTER SET SJIS_0208, KEIHKUBU VARCHAR(4) CHARACTER SET ASCII,
    HOJCNT INTEGER, HCODE VARCHAR(6) CHARACTER SET ASCII, HNAME VARCHAR(14) CHARACTER SET SJIS_0208, TAISHAKU INTEGER, BRATE NUMERIC(16,4), BKIND INTEGER,
    GRATE NUMERIC(16,4), GKIND INTEGER,
    KAR01 NUMERIC(16,4), KAR02 NUMERIC(16,4), KAR03 NUMERIC(16,4), KAR04 NUMERIC(16,4),
    KAR05 NUMERIC(16,4), KAR06 NUMERIC(16,4), KAR07 NUMERIC(16,4), KAR08 NUMERIC(16,4),
    KAR09 NUMERIC(16,4), KAR10 NUMERIC(16,4), KAR11 NUMERIC(16,4), KAR12 NUMERIC(16,4),
    KAR13 NUMERIC(16,4), KAR14 NUMERIC(16,4), KAR15 NUMERIC(16,4), KAR16 NUMERIC(16,4),
    KAS01 NUMERIC(16,4), KAS02 NUMERIC(16,4), KAS03 NUMERIC(16,4), KAS04 NUMERIC(16,4),
    KAS05 NUMERIC(16,4), KAS06 NUMERIC(16,4), KAS07 NUMERIC(16,4), KAS08 NUMERIC(16,4),
    KAS09 NUMERIC(16,4), KAS10 NUMERIC(16,4), KAS11 NUMERIC(16,4), KAS12 NUMERIC(16,4),
    KAS13 NUMERIC(16,4), KAS14 NUMERIC(16,4), KAS15 NUMERIC(16,4), KAS16 NUMERIC(16,4),
    YOSAN01 NUMERIC(16,4), YOSAN02 NUMERIC(16,4), YOSAN03 NUMERIC(16,4), YOSAN04 NUMERIC(16,4),
    YOSAN05 NUMERIC(16,4), YOSAN06 NUMERIC(16,4), YOSAN07 NUMERIC(16,4), YOSAN08 NUMERIC(16,4),
    YOSAN09 NUMERIC(16,4), YOSAN10 NUMERIC(16,4), YOSAN11 NUMERIC(16,4), YOSAN12 NUMERIC(16,4),
    YOSAN13 NUMERIC(16,4), YOSAN14 NUMERIC(16,4), YOSAN15 NUMERIC(16,4), YOSAN16 NUMERIC(16,4))
AS
DECLARE VARIABLE KAISINO INTEGER;
DECLARE VARIABLE LAST INTEGER;
DECLARE VARIABLE M INTEGER;
DECLARE VARIABLE KN NUMERIC(16,4);
DECLARE VARIABLE KT NUMERIC(16,4);
DECLARE VARIABLE SN NUMERIC(16,4);
DECLARE VARIABLE ST NUMERIC(16,4);
DECLARE VARIABLE SK NUMERIC(16,4);
DECLARE VARIABLE SS NUMERIC(16,4);
DECLARE VARIABLE Y NUMERIC(16,4);
DECLARE VARIABLE V NUMERIC(16,4);
DECLARE VARIABLE PREV NUMERIC(16,4);
DECLARE VARIABLE H VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE LH VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE AN VARCHAR(14) CHARACTER SET SJIS_0208;
DECLARE VARIABLE UC VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE G0 VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE R01 NUMERIC(18,4);
DECLARE VARIABLE R02 NUMERIC(18,4);
DECLARE VARIABLE R03 NUMERIC(18,4);
DECLARE VARIABLE R04 NUMERIC(18,4);
DECLARE VARIABLE R05 NUMERIC(18,4);
DECLARE VARIABLE R06 NUMERIC(18,4);
DECLARE VARIABLE R07 NUMERIC(18,4);
DECLARE VARIABLE R08 NUMERIC(18,4);
DECLARE VARIABLE R09 NUMERIC(18,4);
DECLARE VARIABLE R10 NUMERIC(18,4);
DECLARE VARIABLE R11 NUMERIC(18,4);
DECLARE VARIABLE R12 NUMERIC(18,4);
DECLARE VARIABLE R13 NUMERIC(18,4);
DECLARE VARIABLE R14 NUMERIC(18,4);
DECLARE VARIABLE R15 NUMERIC(18,4);
DECLARE VARIABLE R16 NUMERIC(18,4);
BEGIN
    KAISINO = 1;
    SELECT KAISINO FROM ACCDEF1 WHERE REC = 1 INTO :KAISINO;
    KAISINO = COALESCE(KAISINO, 1);
    LAST = 0;
    IF (KAISINO > 1) THEN EXECUTE PROCEDURE SP_CONVERT_12TO16 :KAISINO - 1 RETURNING_VALUES :LAST;
    FOR SELECT GROUPM0, USERCODE FROM KAMOKU_VIEW
        WHERE SCODE = :PSCODE AND BCODE = :PBCODE AND GROUPM0 BETWEEN '4000' AND '6100'
        GROUP BY SCODE, GROUPM0, USERCODE
        ORDER BY SCODE, GROUPM0, USERCODE
        INTO :G0, :UC
    DO
    BEGIN
        SELECT FIRST 1 KCODE, USERCODE, GROUPM0, KNAME, KEIHKUBU, DAC, SOLVARNE_YOJITU_RATE1, SOLVARNE_YOJITU_KIND1,
                   SOLVARNE_YOJITU_RATE2, SOLVARNE_YOJITU_KIND2
            FROM KAMOKUMST WHERE USERCODE = :UC ORDER BY KCODE
            INTO :KCODE, :USERCODE, :GROUPM0, :KNAME, :KEIHKUBU, :TAISHAKU, :BRATE, :BKIND, :GRATE, :GKIND;
        AN = KNAME;
        HCODE = ''; HNAME = '';
        SELECT COUNT(*) FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND BCODE = :PBCODE AND KCODE = :KCODE AND HCODE <> ' ' INTO :HOJCNT;
        R01 = 0; R02 = 0; R03 = 0; R04 = 0; R05 = 0; R06 = 0; R07 = 0; R08 = 0;
        R09 = 0; R10 = 0; R11 = 0; R12 = 0; R13 = 0; R14 = 0; R15 = 0; R16 = 0;
        SELECT FIRST 1 HAIBUN01 * 0.01, HAIBUN02 * 0.01, HAIBUN03 * 0.01, HAIBUN04 * 0.01, HAIBUN05 * 0.01, HAIBUN06 * 0.01,
               HAIBUN07 * 0.01, HAIBUN08 * 0.01, HAIBUN09 * 0.01, HAIBUN10 * 0.01, HAIBUN11 * 0.01, HAIBUN12 * 0.01,
               HAIBUN13 * 0.01, HAIBUN14 * 0.01, HAIBUN15 * 0.01, HAIBUN16 * 0.01
            FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = ' ' AND BCODE = :PBCODE
            INTO :R01, :R02, :R03, :R04, :R05, :R06, :R07, :R08, :R09, :R10, :R11, :R12, :R13, :R14, :R15, :R16;
        R01 = COALESCE(R01, 0); R02 = COALESCE(R02, 0); R03 = COALESCE(R03, 0); R04 = COALESCE(R04, 0);
        R05 = COALESCE(R05, 0); R06 = COALESCE(R06, 0); R07 = COALESCE(R07, 0); R08 = COALESCE(R08, 0);
        R09 = COALESCE(R09, 0); R10 = COALESCE(R10, 0); R11 = COALESCE(R11, 0); R12 = COALESCE(R12, 0);
        R13 = COALESCE(R13, 0); R14 = COALESCE(R14, 0); R15 = COALESCE(R15, 0); R16 = COALESCE(R16, 0);
        KAR01 = 0; KAR02 = 0; KAR03 = 0; KAR04 = 0; KAR05 = 0; KAR06 = 0; KAR07 = 0; KAR08 = 0;
        KAR09 = 0; KAR10 = 0; KAR11 = 0; KAR12 = 0; KAR13 = 0; KAR14 = 0; KAR15 = 0; KAR16 = 0;
        KAS01 = 0; KAS02 = 0; KAS03 = 0; KAS04 = 0; KAS05 = 0; KAS06 = 0; KAS07 = 0; KAS08 = 0;
        KAS09 = 0; KAS10 = 0; KAS11 = 0; KAS12 = 0; KAS13 = 0; KAS14 = 0; KAS15 = 0; KAS16 = 0;
        YOSAN01 = 0; YOSAN02 = 0; YOSAN03 = 0; YOSAN04 = 0; YOSAN05 = 0; YOSAN06 = 0; YOSAN07 = 0; YOSAN08 = 0;
        YOSAN09 = 0; YOSAN10 = 0; YOSAN11 = 0; YOSAN12 = 0; YOSAN13 = 0; YOSAN14 = 0; YOSAN15 = 0; YOSAN16 = 0;
        FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX), SUM(RYOSAN) FROM KAMOKU_MS
            WHERE SCODE = :PSCODE AND BCODE = :PBCODE AND KCODE = :KCODE
            GROUP BY MNUM
            INTO :M, :KN, :KT, :SN, :ST, :Y
        DO
        BEGIN
            SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
            SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
            Y = COALESCE(Y, 0);
            IF (M = 1) THEN BEGIN KAR01 = SK; KAS01 = SS; YOSAN01 = Y; END
            ELSE IF (M = 2) THEN BEGIN KAR02 = SK; KAS02 = SS; YOSAN02 = Y; END
            ELSE IF (M = 3) THEN BEGIN KAR03 = SK; KAS03 = SS; YOSAN03 = Y; END
            ELSE IF (M = 4) THEN BEGIN KAR04 = SK; KAS04 = SS; YOSAN04 = Y; END
            ELSE IF (M = 5) THEN BEGIN KAR05 = SK; KAS05 = SS; YOSAN05 = Y; END
            ELSE IF (M = 6) THEN BEGIN KAR06 = SK; KAS06 = SS; YOSAN06 = Y; END
            ELSE IF (M = 7) THEN BEGIN KAR07 = SK; KAS07 = SS; YOSAN07 = Y; END
            ELSE IF (M = 8) THEN BEGIN KAR08 = SK; KAS08 = SS; YOSAN08 = Y; END
            ELSE IF (M = 9) THEN BEGIN KAR09 = SK; KAS09 = SS; YOSAN09 = Y; END
            ELSE IF (M = 10) THEN BEGIN KAR10 = SK; KAS10 = SS; YOSAN10 = Y; END
            ELSE IF (M = 11) THEN BEGIN KAR11 = SK; KAS11 = SS; YOSAN11 = Y; END
            ELSE IF (M = 12) THEN BEGIN KAR12 = SK; KAS12 = SS; YOSAN12 = Y; END
            ELSE IF (M = 13) THEN BEGIN KAR13 = SK; KAS13 = SS; YOSAN13 = Y; END
            ELSE IF (M = 14) THEN BEGIN KAR14 = SK; KAS14 = SS; YOSAN14 = Y; END
            ELSE IF (M = 15) THEN BEGIN KAR15 = SK; KAS15 = SS; YOSAN15 = Y; END
            ELSE IF (M = 16) THEN BEGIN KAR16 = SK; KAS16 = SS; YOSAN16 = Y; END
        END
        IF (LAST > 0) THEN
        BEGIN
            PREV = 0;
            FOR SELECT MNUM, SUM(NUKIZAN) FROM KAMOKU_PZ
                WHERE SCODE = :PSCODE AND BCODE = :PBCODE AND KCODE = :KCODE AND MNUM BETWEEN 1 AND :LAST
                GROUP BY MNUM
                ORDER BY MNUM
                INTO :M, :V
            DO
            BEGIN
                V = COALESCE(V, 0);
                SK = IIF(TAISHAKU = 1 OR TAISHAKU = 4, V - PREV, 0);
                SS = IIF(TAISHAKU = 1 OR TAISHAKU = 4, 0, V - PREV);
                IF (M = 1) THEN BEGIN KAR01 = SK; KAS01 = SS; END
                ELSE IF (M = 2) THEN BEGIN KAR02 = SK; KAS02 = SS; END
                ELSE IF (M = 3) THEN BEGIN KAR03 = SK; KAS03 = SS; END
                ELSE IF (M = 4) THEN BEGIN KAR04 = SK; KAS04 = SS; END
                ELSE IF (M = 5) THEN BEGIN KAR05 = SK; KAS05 = SS; END
                ELSE IF (M = 6) THEN BEGIN KAR06 = SK; KAS06 = SS; END
                ELSE IF (M = 7) THEN BEGIN KAR07 = SK; KAS07 = SS; END
                ELSE IF (M = 8) THEN BEGIN KAR08 = SK; KAS08 = SS; END
                ELSE IF (M = 9) THEN BEGIN KAR09 = SK; KAS09 = SS; END
                ELSE IF (M = 10) THEN BEGIN KAR10 = SK; KAS10 = SS; END
                ELSE IF (M = 11) THEN BEGIN KAR11 = SK; KAS11 = SS; END
                ELSE IF (M = 12) THEN BEGIN KAR12 = SK; KAS12 = SS; END
                ELSE IF (M = 13) THEN BEGIN KAR13 = SK; KAS13 = SS; END
                ELSE IF (M = 14) THEN BEGIN KAR14 = SK; KAS14 = SS; END
                ELSE IF (M = 15) THEN BEGIN KAR15 = SK; KAS15 = SS; END
                ELSE IF (M = 16) THEN BEGIN KAR16 = SK; KAS16 = SS; END
                PREV = V;
            END
        END
        IF (PHIBUN = 1 AND PBCODE = '00') THEN
        BEGIN
            KAR01 = FLOOR(0.5 + KAR01 * R01); KAS01 = FLOOR(0.5 + KAS01 * R01); YOSAN01 = FLOOR(0.5 + YOSAN01 * R01);
            KAR02 = FLOOR(0.5 + KAR02 * R02); KAS02 = FLOOR(0.5 + KAS02 * R02); YOSAN02 = FLOOR(0.5 + YOSAN02 * R02);
            KAR03 = FLOOR(0.5 + KAR03 * R03); KAS03 = FLOOR(0.5 + KAS03 * R03); YOSAN03 = FLOOR(0.5 + YOSAN03 * R03);
            KAR04 = FLOOR(0.5 + KAR04 * R04); KAS04 = FLOOR(0.5 + KAS04 * R04); YOSAN04 = FLOOR(0.5 + YOSAN04 * R04);
            KAR05 = FLOOR(0.5 + KAR05 * R05); KAS05 = FLOOR(0.5 + KAS05 * R05); YOSAN05 = FLOOR(0.5 + YOSAN05 * R05);
            KAR06 = FLOOR(0.5 + KAR06 * R06); KAS06 = FLOOR(0.5 + KAS06 * R06); YOSAN06 = FLOOR(0.5 + YOSAN06 * R06);
            KAR07 = FLOOR(0.5 + KAR07 * R07); KAS07 = FLOOR(0.5 + KAS07 * R07); YOSAN07 = FLOOR(0.5 + YOSAN07 * R07);
            KAR08 = FLOOR(0.5 + KAR08 * R08); KAS08 = FLOOR(0.5 + KAS08 * R08); YOSAN08 = FLOOR(0.5 + YOSAN08 * R08);
            KAR09 = FLOOR(0.5 + KAR09 * R09); KAS09 = FLOOR(0.5 + KAS09 * R09); YOSAN09 = FLOOR(0.5 + YOSAN09 * R09);
            KAR10 = FLOOR(0.5 + KAR10 * R10); KAS10 = FLOOR(0.5 + KAS10 * R10); YOSAN10 = FLOOR(0.5 + YOSAN10 * R10);
            KAR11 = FLOOR(0.5 + KAR11 * R11); KAS11 = FLOOR(0.5 + KAS11 * R11); YOSAN11 = FLOOR(0.5 + YOSAN11 * R11);
            KAR12 = FLOOR(0.5 + KAR12 * R12); KAS12 = FLOOR(0.5 + KAS12 * R12); YOSAN12 = FLOOR(0.5 + YOSAN12 * R12);
            KAR13 = FLOOR(0.5 + KAR13 * R13); KAS13 = FLOOR(0.5 + KAS13 * R13); YOSAN13 = FLOOR(0.5 + YOSAN13 * R13);
            KAR14 = FLOOR(0.5 + KAR14 * R14); KAS14 = FLOOR(0.5 + KAS14 * R14); YOSAN14 = FLOOR(0.5 + YOSAN14 * R14);
            KAR15 = FLOOR(0.5 + KAR15 * R15); KAS15 = FLOOR(0.5 + KAS15 * R15); YOSAN15 = FLOOR(0.5 + YOSAN15 * R15);
            KAR16 = FLOOR(0.5 + KAR16 * R16); KAS16 = FLOOR(0.5 + KAS16 * R16); YOSAN16 = FLOOR(0.5 + YOSAN16 * R16);
        END
        ELSE IF (PHIBUN = 1) THEN
        BEGIN
            FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX), SUM(RYOSAN) FROM KAMOKU_MS
                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = '00'
                GROUP BY MNUM
                INTO :M, :KN, :KT, :SN, :ST, :Y
            DO
            BEGIN
                SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
                SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
                Y = FLOOR(0.5 + COALESCE(Y, 0) * R01);
                IF (M = 1) THEN BEGIN KAR01 = KAR01 + FLOOR(0.5 + SK * R01); KAS01 = KAS01 + FLOOR(0.5 + SS * R01); YOSAN01 = YOSAN01 + Y; END
                ELSE IF (M = 2) THEN BEGIN KAR02 = KAR02 + FLOOR(0.5 + SK * R02); KAS02 = KAS02 + FLOOR(0.5 + SS * R02); YOSAN02 = YOSAN02 + Y; END
                ELSE IF (M = 3) THEN BEGIN KAR03 = KAR03 + FLOOR(0.5 + SK * R03); KAS03 = KAS03 + FLOOR(0.5 + SS * R03); YOSAN03 = YOSAN03 + Y; END
                ELSE IF (M = 4) THEN BEGIN KAR04 = KAR04 + FLOOR(0.5 + SK * R04); KAS04 = KAS04 + FLOOR(0.5 + SS * R04); YOSAN04 = YOSAN04 + Y; END
                ELSE IF (M = 5) THEN BEGIN KAR05 = KAR05 + FLOOR(0.5 + SK * R05); KAS05 = KAS05 + FLOOR(0.5 + SS * R05); YOSAN05 = YOSAN05 + Y; END
                ELSE IF (M = 6) THEN BEGIN KAR06 = KAR06 + FLOOR(0.5 + SK * R06); KAS06 = KAS06 + FLOOR(0.5 + SS * R06); YOSAN06 = YOSAN06 + Y; END
                ELSE IF (M = 7) THEN BEGIN KAR07 = KAR07 + FLOOR(0.5 + SK * R07); KAS07 = KAS07 + FLOOR(0.5 + SS * R07); YOSAN07 = YOSAN07 + Y; END
                ELSE IF (M = 8) THEN BEGIN KAR08 = KAR08 + FLOOR(0.5 + SK * R08); KAS08 = KAS08 + FLOOR(0.5 + SS * R08); YOSAN08 = YOSAN08 + Y; END
                ELSE IF (M = 9) THEN BEGIN KAR09 = KAR09 + FLOOR(0.5 + SK * R09); KAS09 = KAS09 + FLOOR(0.5 + SS * R09); YOSAN09 = YOSAN09 + Y; END
                ELSE IF (M = 10) THEN BEGIN KAR10 = KAR10 + FLOOR(0.5 + SK * R10); KAS10 = KAS10 + FLOOR(0.5 + SS * R10); YOSAN10 = YOSAN10 + Y; END
                ELSE IF (M = 11) THEN BEGIN KAR11 = KAR11 + FLOOR(0.5 + SK * R11); KAS11 = KAS11 + FLOOR(0.5 + SS * R11); YOSAN11 = YOSAN11 + Y; END
                ELSE IF (M = 12) THEN BEGIN KAR12 = KAR12 + FLOOR(0.5 + SK * R12); KAS12 = KAS12 + FLOOR(0.5 + SS * R12); YOSAN12 = YOSAN12 + Y; END
                ELSE IF (M = 13) THEN BEGIN KAR13 = KAR13 + FLOOR(0.5 + SK * R13); KAS13 = KAS13 + FLOOR(0.5 + SS * R13); YOSAN13 = YOSAN13 + Y; END
                ELSE IF (M = 14) THEN BEGIN KAR14 = KAR14 + FLOOR(0.5 + SK * R14); KAS14 = KAS14 + FLOOR(0.5 + SS * R14); YOSAN14 = YOSAN14 + Y; END
                ELSE IF (M = 15) THEN BEGIN KAR15 = KAR15 + FLOOR(0.5 + SK * R15); KAS15 = KAS15 + FLOOR(0.5 + SS * R15); YOSAN15 = YOSAN15 + Y; END
                ELSE IF (M = 16) THEN BEGIN KAR16 = KAR16 + FLOOR(0.5 + SK * R16); KAS16 = KAS16 + FLOOR(0.5 + SS * R16); YOSAN16 = YOSAN16 + Y; END
            END
            IF (LAST > 0) THEN
            BEGIN
                PREV = 0;
                FOR SELECT MNUM, SUM(NUKIZAN) FROM KAMOKU_PZ
                    WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = '00' AND MNUM BETWEEN 1 AND :LAST
                    GROUP BY MNUM
                    ORDER BY MNUM
                    INTO :M, :V
                DO
                BEGIN
                    V = FLOOR(0.5 + COALESCE(V, 0) * DECODE(M, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
                    SK = IIF(TAISHAKU = 1 OR TAISHAKU = 4, V - PREV, 0);
                    SS = IIF(TAISHAKU = 1 OR TAISHAKU = 4, 0, V - PREV);
                    IF (M = 1) THEN BEGIN KAR01 = KAR01 + SK; KAS01 = KAS01 + SS; END
                    ELSE IF (M = 2) THEN BEGIN KAR02 = KAR02 + SK; KAS02 = KAS02 + SS; END
                    ELSE IF (M = 3) THEN BEGIN KAR03 = KAR03 + SK; KAS03 = KAS03 + SS; END
                    ELSE IF (M = 4) THEN BEGIN KAR04 = KAR04 + SK; KAS04 = KAS04 + SS; END
                    ELSE IF (M = 5) THEN BEGIN KAR05 = KAR05 + SK; KAS05 = KAS05 + SS; END
                    ELSE IF (M = 6) THEN BEGIN KAR06 = KAR06 + SK; KAS06 = KAS06 + SS; END
                    ELSE IF (M = 7) THEN BEGIN KAR07 = KAR07 + SK; KAS07 = KAS07 + SS; END
                    ELSE IF (M = 8) THEN BEGIN KAR08 = KAR08 + SK; KAS08 = KAS08 + SS; END
                    ELSE IF (M = 9) THEN BEGIN KAR09 = KAR09 + SK; KAS09 = KAS09 + SS; END
                    ELSE IF (M = 10) THEN BEGIN KAR10 = KAR10 + SK; KAS10 = KAS10 + SS; END
                    ELSE IF (M = 11) THEN BEGIN KAR11 = KAR11 + SK; KAS11 = KAS11 + SS; END
                    ELSE IF (M = 12) THEN BEGIN KAR12 = KAR12 + SK; KAS12 = KAS12 + SS; END
                    ELSE IF (M = 13) THEN BEGIN KAR13 = KAR13 + SK; KAS13 = KAS13 + SS; END
                    ELSE IF (M = 14) THEN BEGIN KAR14 = KAR14 + SK; KAS14 = KAS14 + SS; END
                    ELSE IF (M = 15) THEN BEGIN KAR15 = KAR15 + SK; KAS15 = KAS15 + SS; END
                    ELSE IF (M = 16) THEN BEGIN KAR16 = KAR16 + SK; KAS16 = KAS16 + SS; END
                    PREV = V;
                END
            END
        END
        SUSPEND;

        IF (HOJCNT > 0) THEN
        BEGIN
            HOJCNT = 0;
            LH = NULL;
            FOR SELECT HCODE, MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX), SUM(RYOSAN)
                FROM KAMOKU_MS
                WHERE SCODE = :PSCODE AND BCODE = :PBCODE AND KCODE = :KCODE
                GROUP BY HCODE, MNUM
                ORDER BY HCODE, MNUM
                INTO :H, :M, :KN, :KT, :SN, :ST, :Y
            DO
            BEGIN
                IF (LH IS NULL OR H <> LH) THEN
                BEGIN
                    LH = H;
                    KAR01 = 0; KAR02 = 0; KAR03 = 0; KAR04 = 0; KAR05 = 0; KAR06 = 0; KAR07 = 0; KAR08 = 0;
                    KAR09 = 0; KAR10 = 0; KAR11 = 0; KAR12 = 0; KAR13 = 0; KAR14 = 0; KAR15 = 0; KAR16 = 0;
                    KAS01 = 0; KAS02 = 0; KAS03 = 0; KAS04 = 0; KAS05 = 0; KAS06 = 0; KAS07 = 0; KAS08 = 0;
                    KAS09 = 0; KAS10 = 0; KAS11 = 0; KAS12 = 0; KAS13 = 0; KAS14 = 0; KAS15 = 0; KAS16 = 0;
                    YOSAN01 = 0; YOSAN02 = 0; YOSAN03 = 0; YOSAN04 = 0; YOSAN05 = 0; YOSAN06 = 0; YOSAN07 = 0; YOSAN08 = 0;
                    YOSAN09 = 0; YOSAN10 = 0; YOSAN11 = 0; YOSAN12 = 0; YOSAN13 = 0; YOSAN14 = 0; YOSAN15 = 0; YOSAN16 = 0;
                END
                SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
                SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
                Y = COALESCE(Y, 0);
                IF (M = 1) THEN BEGIN KAR01 = SK; KAS01 = SS; YOSAN01 = Y; END
                ELSE IF (M = 2) THEN BEGIN KAR02 = SK; KAS02 = SS; YOSAN02 = Y; END
                ELSE IF (M = 3) THEN BEGIN KAR03 = SK; KAS03 = SS; YOSAN03 = Y; END
                ELSE IF (M = 4) THEN BEGIN KAR04 = SK; KAS04 = SS; YOSAN04 = Y; END
                ELSE IF (M = 5) THEN BEGIN KAR05 = SK; KAS05 = SS; YOSAN05 = Y; END
                ELSE IF (M = 6) THEN BEGIN KAR06 = SK; KAS06 = SS; YOSAN06 = Y; END
                ELSE IF (M = 7) THEN BEGIN KAR07 = SK; KAS07 = SS; YOSAN07 = Y; END
                ELSE IF (M = 8) THEN BEGIN KAR08 = SK; KAS08 = SS; YOSAN08 = Y; END
                ELSE IF (M = 9) THEN BEGIN KAR09 = SK; KAS09 = SS; YOSAN09 = Y; END
                ELSE IF (M = 10) THEN BEGIN KAR10 = SK; KAS10 = SS; YOSAN10 = Y; END
                ELSE IF (M = 11) THEN BEGIN KAR11 = SK; KAS11 = SS; YOSAN11 = Y; END
                ELSE IF (M = 12) THEN BEGIN KAR12 = SK; KAS12 = SS; YOSAN12 = Y; END
                ELSE IF (M = 13) THEN BEGIN KAR13 = SK; KAS13 = SS; YOSAN13 = Y; END
                ELSE IF (M = 14) THEN BEGIN KAR14 = SK; KAS14 = SS; YOSAN14 = Y; END
                ELSE IF (M = 15) THEN BEGIN KAR15 = SK; KAS15 = SS; YOSAN15 = Y; END
                ELSE IF (M = 16) THEN BEGIN KAR16 = SK; KAS16 = SS; YOSAN16 = Y; END
                IF (M = 16) THEN
                BEGIN
                    HCODE = H;
                    IF (LAST > 0) THEN
                    BEGIN
                        PREV = 0;
                        FOR SELECT MNUM, SUM(NUKIZAN) FROM KAMOKU_PZ
                            WHERE SCODE = :PSCODE AND BCODE = :PBCODE AND KCODE = :KCODE AND HCODE = :H AND MNUM BETWEEN 1 AND :LAST
                            GROUP BY MNUM
                            ORDER BY MNUM
                            INTO :M, :V
                        DO
                        BEGIN
                            V = COALESCE(V, 0);
                            SK = IIF(TAISHAKU = 1 OR TAISHAKU = 4, V - PREV, 0);
                            SS = IIF(TAISHAKU = 1 OR TAISHAKU = 4, 0, V - PREV);
                            IF (M = 1) THEN BEGIN KAR01 = SK; KAS01 = SS; END
                            ELSE IF (M = 2) THEN BEGIN KAR02 = SK; KAS02 = SS; END
                            ELSE IF (M = 3) THEN BEGIN KAR03 = SK; KAS03 = SS; END
                            ELSE IF (M = 4) THEN BEGIN KAR04 = SK; KAS04 = SS; END
                            ELSE IF (M = 5) THEN BEGIN KAR05 = SK; KAS05 = SS; END
                            ELSE IF (M = 6) THEN BEGIN KAR06 = SK; KAS06 = SS; END
                            ELSE IF (M = 7) THEN BEGIN KAR07 = SK; KAS07 = SS; END
                            ELSE IF (M = 8) THEN BEGIN KAR08 = SK; KAS08 = SS; END
                            ELSE IF (M = 9) THEN BEGIN KAR09 = SK; KAS09 = SS; END
                            ELSE IF (M = 10) THEN BEGIN KAR10 = SK; KAS10 = SS; END
                            ELSE IF (M = 11) THEN BEGIN KAR11 = SK; KAS11 = SS; END
                            ELSE IF (M = 12) THEN BEGIN KAR12 = SK; KAS12 = SS; END
                            ELSE IF (M = 13) THEN BEGIN KAR13 = SK; KAS13 = SS; END
                            ELSE IF (M = 14) THEN BEGIN KAR14 = SK; KAS14 = SS; END
                            ELSE IF (M = 15) THEN BEGIN KAR15 = SK; KAS15 = SS; END
                            ELSE IF (M = 16) THEN BEGIN KAR16 = SK; KAS16 = SS; END
                            PREV = V;
                        END
                    END
                    IF (PHIBUN = 1 AND PBCODE = '00') THEN
                    BEGIN
                        KAR01 = FLOOR(0.5 + KAR01 * R01); KAS01 = FLOOR(0.5 + KAS01 * R01); YOSAN01 = FLOOR(0.5 + YOSAN01 * R01);
                        KAR02 = FLOOR(0.5 + KAR02 * R02); KAS02 = FLOOR(0.5 + KAS02 * R02); YOSAN02 = FLOOR(0.5 + YOSAN02 * R02);
                        KAR03 = FLOOR(0.5 + KAR03 * R03); KAS03 = FLOOR(0.5 + KAS03 * R03); YOSAN03 = FLOOR(0.5 + YOSAN03 * R03);
                        KAR04 = FLOOR(0.5 + KAR04 * R04); KAS04 = FLOOR(0.5 + KAS04 * R04); YOSAN04 = FLOOR(0.5 + YOSAN04 * R04);
                        KAR05 = FLOOR(0.5 + KAR05 * R05); KAS05 = FLOOR(0.5 + KAS05 * R05); YOSAN05 = FLOOR(0.5 + YOSAN05 * R05);
                        KAR06 = FLOOR(0.5 + KAR06 * R06); KAS06 = FLOOR(0.5 + KAS06 * R06); YOSAN06 = FLOOR(0.5 + YOSAN06 * R06);
                        KAR07 = FLOOR(0.5 + KAR07 * R07); KAS07 = FLOOR(0.5 + KAS07 * R07); YOSAN07 = FLOOR(0.5 + YOSAN07 * R07);
                        KAR08 = FLOOR(0.5 + KAR08 * R08); KAS08 = FLOOR(0.5 + KAS08 * R08); YOSAN08 = FLOOR(0.5 + YOSAN08 * R08);
                        KAR09 = FLOOR(0.5 + KAR09 * R09); KAS09 = FLOOR(0.5 + KAS09 * R09); YOSAN09 = FLOOR(0.5 + YOSAN09 * R09);
                        KAR10 = FLOOR(0.5 + KAR10 * R10); KAS10 = FLOOR(0.5 + KAS10 * R10); YOSAN10 = FLOOR(0.5 + YOSAN10 * R10);
                        KAR11 = FLOOR(0.5 + KAR11 * R11); KAS11 = FLOOR(0.5 + KAS11 * R11); YOSAN11 = FLOOR(0.5 + YOSAN11 * R11);
                        KAR12 = FLOOR(0.5 + KAR12 * R12); KAS12 = FLOOR(0.5 + KAS12 * R12); YOSAN12 = FLOOR(0.5 + YOSAN12 * R12);
                        KAR13 = FLOOR(0.5 + KAR13 * R13); KAS13 = FLOOR(0.5 + KAS13 * R13); YOSAN13 = FLOOR(0.5 + YOSAN13 * R13);
                        KAR14 = FLOOR(0.5 + KAR14 * R14); KAS14 = FLOOR(0.5 + KAS14 * R14); YOSAN14 = FLOOR(0.5 + YOSAN14 * R14);
                        KAR15 = FLOOR(0.5 + KAR15 * R15); KAS15 = FLOOR(0.5 + KAS15 * R15); YOSAN15 = FLOOR(0.5 + YOSAN15 * R15);
                        KAR16 = FLOOR(0.5 + KAR16 * R16); KAS16 = FLOOR(0.5 + KAS16 * R16); YOSAN16 = FLOOR(0.5 + YOSAN16 * R16);
                    END
                    ELSE IF (PHIBUN = 1) THEN
                    BEGIN
                        FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX), SUM(RYOSAN) FROM KAMOKU_MS
                            WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :H AND BCODE = '00'
                            GROUP BY MNUM
                            INTO :M, :KN, :KT, :SN, :ST, :Y
                        DO
                        BEGIN
                            SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
                            SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
                            Y = FLOOR(0.5 + COALESCE(Y, 0) * R01);
                            IF (M = 1) THEN BEGIN KAR01 = KAR01 + FLOOR(0.5 + SK * R01); KAS01 = KAS01 + FLOOR(0.5 + SS * R01); YOSAN01 = YOSAN01 + Y; END
                            ELSE IF (M = 2) THEN BEGIN KAR02 = KAR02 + FLOOR(0.5 + SK * R02); KAS02 = KAS02 + FLOOR(0.5 + SS * R02); YOSAN02 = YOSAN02 + Y; END
                            ELSE IF (M = 3) THEN BEGIN KAR03 = KAR03 + FLOOR(0.5 + SK * R03); KAS03 = KAS03 + FLOOR(0.5 + SS * R03); YOSAN03 = YOSAN03 + Y; END
                            ELSE IF (M = 4) THEN BEGIN KAR04 = KAR04 + FLOOR(0.5 + SK * R04); KAS04 = KAS04 + FLOOR(0.5 + SS * R04); YOSAN04 = YOSAN04 + Y; END
                            ELSE IF (M = 5) THEN BEGIN KAR05 = KAR05 + FLOOR(0.5 + SK * R05); KAS05 = KAS05 + FLOOR(0.5 + SS * R05); YOSAN05 = YOSAN05 + Y; END
                            ELSE IF (M = 6) THEN BEGIN KAR06 = KAR06 + FLOOR(0.5 + SK * R06); KAS06 = KAS06 + FLOOR(0.5 + SS * R06); YOSAN06 = YOSAN06 + Y; END
                            ELSE IF (M = 7) THEN BEGIN KAR07 = KAR07 + FLOOR(0.5 + SK * R07); KAS07 = KAS07 + FLOOR(0.5 + SS * R07); YOSAN07 = YOSAN07 + Y; END
                            ELSE IF (M = 8) THEN BEGIN KAR08 = KAR08 + FLOOR(0.5 + SK * R08); KAS08 = KAS08 + FLOOR(0.5 + SS * R08); YOSAN08 = YOSAN08 + Y; END
                            ELSE IF (M = 9) THEN BEGIN KAR09 = KAR09 + FLOOR(0.5 + SK * R09); KAS09 = KAS09 + FLOOR(0.5 + SS * R09); YOSAN09 = YOSAN09 + Y; END
                            ELSE IF (M = 10) THEN BEGIN KAR10 = KAR10 + FLOOR(0.5 + SK * R10); KAS10 = KAS10 + FLOOR(0.5 + SS * R10); YOSAN10 = YOSAN10 + Y; END
                            ELSE IF (M = 11) THEN BEGIN KAR11 = KAR11 + FLOOR(0.5 + SK * R11); KAS11 = KAS11 + FLOOR(0.5 + SS * R11); YOSAN11 = YOSAN11 + Y; END
                            ELSE IF (M = 12) THEN BEGIN KAR12 = KAR12 + FLOOR(0.5 + SK * R12); KAS12 = KAS12 + FLOOR(0.5 + SS * R12); YOSAN12 = YOSAN12 + Y; END
                            ELSE IF (M = 13) THEN BEGIN KAR13 = KAR13 + FLOOR(0.5 + SK * R13); KAS13 = KAS13 + FLOOR(0.5 + SS * R13); YOSAN13 = YOSAN13 + Y; END
                            ELSE IF (M = 14) THEN BEGIN KAR14 = KAR14 + FLOOR(0.5 + SK * R14); KAS14 = KAS14 + FLOOR(0.5 + SS * R14); YOSAN14 = YOSAN14 + Y; END
                            ELSE IF (M = 15) THEN BEGIN KAR15 = KAR15 + FLOOR(0.5 + SK * R15); KAS15 = KAS15 + FLOOR(0.5 + SS * R15); YOSAN15 = YOSAN15 + Y; END
                            ELSE IF (M = 16) THEN BEGIN KAR16 = KAR16 + FLOOR(0.5 + SK * R16); KAS16 = KAS16 + FLOOR(0.5 + SS * R16); YOSAN16 = YOSAN16 + Y; END
                        END
                        IF (LAST > 0) THEN
                        BEGIN
                            PREV = 0;
                            FOR SELECT MNUM, SUM(NUKIZAN) FROM KAMOKU_PZ
                                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :H AND BCODE = '00' AND MNUM BETWEEN 1 AND :LAST
                                GROUP BY MNUM
                                ORDER BY MNUM
                                INTO :M, :V
                            DO
                            BEGIN
                                V = FLOOR(0.5 + COALESCE(V, 0) * DECODE(M, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
                                SK = IIF(TAISHAKU = 1 OR TAISHAKU = 4, V - PREV, 0);
                                SS = IIF(TAISHAKU = 1 OR TAISHAKU = 4, 0, V - PREV);
                                IF (M = 1) THEN BEGIN KAR01 = KAR01 + SK; KAS01 = KAS01 + SS; END
                                ELSE IF (M = 2) THEN BEGIN KAR02 = KAR02 + SK; KAS02 = KAS02 + SS; END
                                ELSE IF (M = 3) THEN BEGIN KAR03 = KAR03 + SK; KAS03 = KAS03 + SS; END
                                ELSE IF (M = 4) THEN BEGIN KAR04 = KAR04 + SK; KAS04 = KAS04 + SS; END
                                ELSE IF (M = 5) THEN BEGIN KAR05 = KAR05 + SK; KAS05 = KAS05 + SS; END
                                ELSE IF (M = 6) THEN BEGIN KAR06 = KAR06 + SK; KAS06 = KAS06 + SS; END
                                ELSE IF (M = 7) THEN BEGIN KAR07 = KAR07 + SK; KAS07 = KAS07 + SS; END
                                ELSE IF (M = 8) THEN BEGIN KAR08 = KAR08 + SK; KAS08 = KAS08 + SS; END
                                ELSE IF (M = 9) THEN BEGIN KAR09 = KAR09 + SK; KAS09 = KAS09 + SS; END
                                ELSE IF (M = 10) THEN BEGIN KAR10 = KAR10 + SK; KAS10 = KAS10 + SS; END
                                ELSE IF (M = 11) THEN BEGIN KAR11 = KAR11 + SK; KAS11 = KAS11 + SS; END
                                ELSE IF (M = 12) THEN BEGIN KAR12 = KAR12 + SK; KAS12 = KAS12 + SS; END
                                ELSE IF (M = 13) THEN BEGIN KAR13 = KAR13 + SK; KAS13 = KAS13 + SS; END
                                ELSE IF (M = 14) THEN BEGIN KAR14 = KAR14 + SK; KAS14 = KAS14 + SS; END
                                ELSE IF (M = 15) THEN BEGIN KAR15 = KAR15 + SK; KAS15 = KAS15 + SS; END
                                ELSE IF (M = 16) THEN BEGIN KAR16 = KAR16 + SK; KAS16 = KAS16 + SS; END
                                PREV = V;
                            END
                        END
                    END
                    HNAME = '';
                    SELECT HNAME FROM HOJOMST WHERE KCODE = :KCODE AND HCODE = :H INTO :HNAME;
                    IF (H <> ' ') THEN SUSPEND;
                    ELSE IF ((KAR01 + KAR02 + KAR03 + KAR04 + KAR05 + KAR06 + KAR07 + KAR08 + KAR09 + KAR10 + KAR11 + KAR12 + KAR13 + KAR14 + KAR15 + KAR16
                         + KAS01 + KAS02 + KAS03 + KAS04 + KAS05 + KAS06 + KAS07 + KAS08 + KAS09 + KAS10 + KAS11 + KAS12 + KAS13 + KAS14 + KAS15 + KAS16) <> 0) THEN
                    BEGIN
                        HNAME = AN;
                        SUSPEND;
                    END
                END
            END
        END
    END
END^
