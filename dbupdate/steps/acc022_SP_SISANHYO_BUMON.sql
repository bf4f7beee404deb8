/* The trial balance of one facility and department: per account its opening balance and the debit and
   credit movements of the sixteen period numbers, followed by its sub-accounts. With PHIBUN = 1 the common
   department '00' is shared out by the allocation rates of the account's row in the department (for '00'
   itself the part that stays there). Shares are rounded to whole units, halves upward. */
RECREATE PROCEDURE SP_SISANHYO_BUMON (PTAX INTEGER, PHIBUN INTEGER, PSCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII)
RETURNS (
    GROUPM1 VARCHAR(6) CHARACTER SET ASCII,
    GROUPM2 VARCHAR(6) CHARACTER SET ASCII,
    USERCODE VARCHAR(6) CHARACTER SET ASCII,
    KCODE VARCHAR(6) CHARACTER SET ASCII,
    KNAME VARCHAR(14) CHARACTER SET SJIS_0208,
    BSPL VARCHAR(1) CHARACTER SET ASCII,
    HOJCNT INTEGER,
    HCODE VARCHAR(6) CHARACTER SET ASCII,
    HNAME VARCHAR(14) CHARACTER SET SJIS_0208,
    TAISHAKU INTEGER,
    KAISIZAN NUMERIC(16, 4),
    KAR01 NUMERIC(16, 4),
    KAR02 NUMERIC(16, 4),
    KAR03 NUMERIC(16, 4),
    KAR04 NUMERIC(16, 4),
    KAR05 NUMERIC(16, 4),
    KAR06 NUMERIC(16, 4),
    KAR07 NUMERIC(16, 4),
    KAR08 NUMERIC(16, 4),
    KAR09 NUMERIC(16, 4),
    KAR10 NUMERIC(16, 4),
    KAR11 NUMERIC(16, 4),
    KAR12 NUMERIC(16, 4),
    KAR13 NUMERIC(16, 4),
    KAR14 NUMERIC(16, 4),
    KAR15 NUMERIC(16, 4),
    KAR16 NUMERIC(16, 4),
    KAS01 NUMERIC(16, 4),
    KAS02 NUMERIC(16, 4),
    KAS03 NUMERIC(16, 4),
    KAS04 NUMERIC(16, 4),
    KAS05 NUMERIC(16, 4),
    KAS06 NUMERIC(16, 4),
    KAS07 NUMERIC(16, 4),
    KAS08 NUMERIC(16, 4),
    KAS09 NUMERIC(16, 4),
    KAS10 NUMERIC(16, 4),
    KAS11 NUMERIC(16, 4),
    KAS12 NUMERIC(16, 4),
    KAS13 NUMERIC(16, 4),
    KAS14 NUMERIC(16, 4),
    KAS15 NUMERIC(16, 4),
    KAS16 NUMERIC(16, 4)
)
AS
DECLARE VARIABLE KUKE VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE KBARAI VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE BUMON INTEGER;
DECLARE VARIABLE TK INTEGER;
DECLARE VARIABLE UC VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE AB VARCHAR(11) CHARACTER SET ASCII;
DECLARE VARIABLE H VARCHAR(6) CHARACTER SET ASCII;
DECLARE VARIABLE M INTEGER;
DECLARE VARIABLE KN NUMERIC(18, 4);
DECLARE VARIABLE KT NUMERIC(18, 4);
DECLARE VARIABLE SN NUMERIC(18, 4);
DECLARE VARIABLE ST NUMERIC(18, 4);
DECLARE VARIABLE SK NUMERIC(18, 4);
DECLARE VARIABLE SS NUMERIC(18, 4);
DECLARE VARIABLE KAISINO INTEGER;
DECLARE VARIABLE SLOT INTEGER;
DECLARE VARIABLE PSLOT INTEGER;
DECLARE VARIABLE V NUMERIC(18, 4);
DECLARE VARIABLE COM NUMERIC(18, 4);
DECLARE VARIABLE R01 NUMERIC(18, 4);
DECLARE VARIABLE R02 NUMERIC(18, 4);
DECLARE VARIABLE R03 NUMERIC(18, 4);
DECLARE VARIABLE R04 NUMERIC(18, 4);
DECLARE VARIABLE R05 NUMERIC(18, 4);
DECLARE VARIABLE R06 NUMERIC(18, 4);
DECLARE VARIABLE R07 NUMERIC(18, 4);
DECLARE VARIABLE R08 NUMERIC(18, 4);
DECLARE VARIABLE R09 NUMERIC(18, 4);
DECLARE VARIABLE R10 NUMERIC(18, 4);
DECLARE VARIABLE R11 NUMERIC(18, 4);
DECLARE VARIABLE R12 NUMERIC(18, 4);
DECLARE VARIABLE R13 NUMERIC(18, 4);
DECLARE VARIABLE R14 NUMERIC(18, 4);
DECLARE VARIABLE R15 NUMERIC(18, 4);
DECLARE VARIABLE R16 NUMERIC(18, 4);
BEGIN
    EXECUTE PROCEDURE SYSKMKCODEINF '仮受消費税' RETURNING_VALUES :KUKE;
    EXECUTE PROCEDURE SYSKMKCODEINF '仮払消費税' RETURNING_VALUES :KBARAI;
    KAISINO = 1; BUMON = 0;
    SELECT KAISINO, BUMON FROM ACCDEF1 WHERE REC = 1 INTO :KAISINO, :BUMON;
    KAISINO = COALESCE(KAISINO, 1);
    BUMON = COALESCE(BUMON, 0);
    /* The period number of the first month, whose rate shares an account's opening balance, and the one
       before it, whose rate shares a sub-account's. */
    SLOT = 1;
    IF (KAISINO > 1) THEN SLOT = DECODE(KAISINO, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7, 7, 9, 8, 10, 9, 11, 10, 13, 11, 14, 12, 15, 1);
    PSLOT = DECODE(KAISINO, 2, 1, 3, 2, 4, 3, 5, 5, 6, 6, 7, 7, 8, 9, 9, 10, 10, 11, 11, 13, 12, 14, 0);
    FOR SELECT GROUPM1, USERCODE FROM KAMOKU_VIEW
        WHERE SCODE = :PSCODE AND BCODE = :PBCODE
        GROUP BY SCODE, GROUPM1, USERCODE
        ORDER BY SCODE, GROUPM1, USERCODE
        INTO :GROUPM1, :UC
    DO
    BEGIN
        KNAME = ''; GROUPM2 = ''; KCODE = NULL; AB = NULL; TAISHAKU = NULL;
        SELECT FIRST 1 KCODE, GROUPM2, KNAME, BPFLG, DAC FROM KAMOKUMST WHERE USERCODE = :UC ORDER BY KCODE
            INTO :KCODE, :GROUPM2, :KNAME, :AB, :TAISHAKU;
        USERCODE = UC;
        BSPL = SUBSTRING(COALESCE(AB, '') FROM 1 FOR 1);
        TK = 0;
        IF (KCODE = KUKE) THEN TK = 1;
        ELSE IF (KCODE = KBARAI) THEN TK = 2;
        HOJCNT = 0;
        SELECT COUNT(*) FROM KAMOKU_SZ
            WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = :PBCODE AND HCODE <> ' '
            INTO :HOJCNT;
        R01 = 0; R02 = 0; R03 = 0; R04 = 0; R05 = 0; R06 = 0; R07 = 0; R08 = 0;
        R09 = 0; R10 = 0; R11 = 0; R12 = 0; R13 = 0; R14 = 0; R15 = 0; R16 = 0;
        SELECT FIRST 1 COALESCE(HAIBUN01, 0) * 0.01, COALESCE(HAIBUN02, 0) * 0.01, COALESCE(HAIBUN03, 0) * 0.01, COALESCE(HAIBUN04, 0) * 0.01, COALESCE(HAIBUN05, 0) * 0.01, COALESCE(HAIBUN06, 0) * 0.01, COALESCE(HAIBUN07, 0) * 0.01, COALESCE(HAIBUN08, 0) * 0.01, COALESCE(HAIBUN09, 0) * 0.01, COALESCE(HAIBUN10, 0) * 0.01, COALESCE(HAIBUN11, 0) * 0.01, COALESCE(HAIBUN12, 0) * 0.01, COALESCE(HAIBUN13, 0) * 0.01, COALESCE(HAIBUN14, 0) * 0.01, COALESCE(HAIBUN15, 0) * 0.01, COALESCE(HAIBUN16, 0) * 0.01
            FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = ' ' AND BCODE = :PBCODE
            INTO :R01, :R02, :R03, :R04, :R05, :R06, :R07, :R08, :R09, :R10, :R11, :R12, :R13, :R14, :R15, :R16;
        /* Every figure starts at 0: a period without a movement row never keeps the previous account's. */
        HCODE = ''; HNAME = '';
        KAISIZAN = 0;
        KAR01 = 0; KAR02 = 0; KAR03 = 0; KAR04 = 0; KAR05 = 0; KAR06 = 0; KAR07 = 0; KAR08 = 0;
        KAR09 = 0; KAR10 = 0; KAR11 = 0; KAR12 = 0; KAR13 = 0; KAR14 = 0; KAR15 = 0; KAR16 = 0;
        KAS01 = 0; KAS02 = 0; KAS03 = 0; KAS04 = 0; KAS05 = 0; KAS06 = 0; KAS07 = 0; KAS08 = 0;
        KAS09 = 0; KAS10 = 0; KAS11 = 0; KAS12 = 0; KAS13 = 0; KAS14 = 0; KAS15 = 0; KAS16 = 0;
        V = 0; COM = 0;
        SELECT COALESCE(SUM(KAISIZAN), 0) FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = :PBCODE INTO :V;
        SELECT COALESCE(SUM(KAISIZAN), 0) FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = '00' INTO :COM;
        IF (PHIBUN = 1 AND KAISINO > 1) THEN
        BEGIN
            IF (PBCODE = '00') THEN KAISIZAN = FLOOR(0.5 + V * DECODE(SLOT, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
            ELSE KAISIZAN = V + FLOOR(0.5 + COM * DECODE(SLOT, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
        END
        ELSE IF (PHIBUN = 1 AND BUMON = 2) THEN
        BEGIN
            IF (PBCODE = '00') THEN KAISIZAN = FLOOR(0.5 + V * R01);
            ELSE KAISIZAN = V + FLOOR(0.5 + COM * R01);
        END
        ELSE KAISIZAN = V;
        FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX) FROM KAMOKU_MS
            WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = :PBCODE
            GROUP BY MNUM
            INTO :M, :KN, :KT, :SN, :ST
        DO
        BEGIN
            SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
            SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
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
        END
        IF (PHIBUN = 1) THEN
        BEGIN
            IF (PBCODE = '00') THEN
            BEGIN
                KAR01 = FLOOR(0.5 + KAR01 * R01); KAS01 = FLOOR(0.5 + KAS01 * R01);
                KAR02 = FLOOR(0.5 + KAR02 * R02); KAS02 = FLOOR(0.5 + KAS02 * R02);
                KAR03 = FLOOR(0.5 + KAR03 * R03); KAS03 = FLOOR(0.5 + KAS03 * R03);
                KAR04 = FLOOR(0.5 + KAR04 * R04); KAS04 = FLOOR(0.5 + KAS04 * R04);
                KAR05 = FLOOR(0.5 + KAR05 * R05); KAS05 = FLOOR(0.5 + KAS05 * R05);
                KAR06 = FLOOR(0.5 + KAR06 * R06); KAS06 = FLOOR(0.5 + KAS06 * R06);
                KAR07 = FLOOR(0.5 + KAR07 * R07); KAS07 = FLOOR(0.5 + KAS07 * R07);
                KAR08 = FLOOR(0.5 + KAR08 * R08); KAS08 = FLOOR(0.5 + KAS08 * R08);
                KAR09 = FLOOR(0.5 + KAR09 * R09); KAS09 = FLOOR(0.5 + KAS09 * R09);
                KAR10 = FLOOR(0.5 + KAR10 * R10); KAS10 = FLOOR(0.5 + KAS10 * R10);
                KAR11 = FLOOR(0.5 + KAR11 * R11); KAS11 = FLOOR(0.5 + KAS11 * R11);
                KAR12 = FLOOR(0.5 + KAR12 * R12); KAS12 = FLOOR(0.5 + KAS12 * R12);
                KAR13 = FLOOR(0.5 + KAR13 * R13); KAS13 = FLOOR(0.5 + KAS13 * R13);
                KAR14 = FLOOR(0.5 + KAR14 * R14); KAS14 = FLOOR(0.5 + KAS14 * R14);
                KAR15 = FLOOR(0.5 + KAR15 * R15); KAS15 = FLOOR(0.5 + KAS15 * R15);
                KAR16 = FLOOR(0.5 + KAR16 * R16); KAS16 = FLOOR(0.5 + KAS16 * R16);
            END
            ELSE
                FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX) FROM KAMOKU_MS
                    WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = '00'
                    GROUP BY MNUM
                    INTO :M, :KN, :KT, :SN, :ST
                DO
                BEGIN
                    SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
                    SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
                    IF (M = 1) THEN BEGIN KAR01 = KAR01 + FLOOR(0.5 + SK * R01); KAS01 = KAS01 + FLOOR(0.5 + SS * R01); END
                    ELSE IF (M = 2) THEN BEGIN KAR02 = KAR02 + FLOOR(0.5 + SK * R02); KAS02 = KAS02 + FLOOR(0.5 + SS * R02); END
                    ELSE IF (M = 3) THEN BEGIN KAR03 = KAR03 + FLOOR(0.5 + SK * R03); KAS03 = KAS03 + FLOOR(0.5 + SS * R03); END
                    ELSE IF (M = 4) THEN BEGIN KAR04 = KAR04 + FLOOR(0.5 + SK * R04); KAS04 = KAS04 + FLOOR(0.5 + SS * R04); END
                    ELSE IF (M = 5) THEN BEGIN KAR05 = KAR05 + FLOOR(0.5 + SK * R05); KAS05 = KAS05 + FLOOR(0.5 + SS * R05); END
                    ELSE IF (M = 6) THEN BEGIN KAR06 = KAR06 + FLOOR(0.5 + SK * R06); KAS06 = KAS06 + FLOOR(0.5 + SS * R06); END
                    ELSE IF (M = 7) THEN BEGIN KAR07 = KAR07 + FLOOR(0.5 + SK * R07); KAS07 = KAS07 + FLOOR(0.5 + SS * R07); END
                    ELSE IF (M = 8) THEN BEGIN KAR08 = KAR08 + FLOOR(0.5 + SK * R08); KAS08 = KAS08 + FLOOR(0.5 + SS * R08); END
                    ELSE IF (M = 9) THEN BEGIN KAR09 = KAR09 + FLOOR(0.5 + SK * R09); KAS09 = KAS09 + FLOOR(0.5 + SS * R09); END
                    ELSE IF (M = 10) THEN BEGIN KAR10 = KAR10 + FLOOR(0.5 + SK * R10); KAS10 = KAS10 + FLOOR(0.5 + SS * R10); END
                    ELSE IF (M = 11) THEN BEGIN KAR11 = KAR11 + FLOOR(0.5 + SK * R11); KAS11 = KAS11 + FLOOR(0.5 + SS * R11); END
                    ELSE IF (M = 12) THEN BEGIN KAR12 = KAR12 + FLOOR(0.5 + SK * R12); KAS12 = KAS12 + FLOOR(0.5 + SS * R12); END
                    ELSE IF (M = 13) THEN BEGIN KAR13 = KAR13 + FLOOR(0.5 + SK * R13); KAS13 = KAS13 + FLOOR(0.5 + SS * R13); END
                    ELSE IF (M = 14) THEN BEGIN KAR14 = KAR14 + FLOOR(0.5 + SK * R14); KAS14 = KAS14 + FLOOR(0.5 + SS * R14); END
                    ELSE IF (M = 15) THEN BEGIN KAR15 = KAR15 + FLOOR(0.5 + SK * R15); KAS15 = KAS15 + FLOOR(0.5 + SS * R15); END
                    ELSE IF (M = 16) THEN BEGIN KAR16 = KAR16 + FLOOR(0.5 + SK * R16); KAS16 = KAS16 + FLOOR(0.5 + SS * R16); END
                END
            IF (PTAX = 1 AND TK > 0) THEN
                EXECUTE PROCEDURE SP_ZEIGAKU_ADD :PSCODE, :PBCODE, :TK,
                    :KAR01, :KAR02, :KAR03, :KAR04, :KAR05, :KAR06, :KAR07, :KAR08, :KAR09, :KAR10, :KAR11, :KAR12, :KAR13, :KAR14, :KAR15, :KAR16,
                    :KAS01, :KAS02, :KAS03, :KAS04, :KAS05, :KAS06, :KAS07, :KAS08, :KAS09, :KAS10, :KAS11, :KAS12, :KAS13, :KAS14, :KAS15, :KAS16,
                    :R01, :R02, :R03, :R04, :R05, :R06, :R07, :R08, :R09, :R10, :R11, :R12, :R13, :R14, :R15, :R16
                    RETURNING_VALUES :KAR01, :KAR02, :KAR03, :KAR04, :KAR05, :KAR06, :KAR07, :KAR08, :KAR09, :KAR10, :KAR11, :KAR12, :KAR13, :KAR14, :KAR15, :KAR16,
                        :KAS01, :KAS02, :KAS03, :KAS04, :KAS05, :KAS06, :KAS07, :KAS08, :KAS09, :KAS10, :KAS11, :KAS12, :KAS13, :KAS14, :KAS15, :KAS16;
        END
        SUSPEND;
        /* The breakdown by sub-account, the account's own part ' ' only when it holds a figure. */
        IF (HOJCNT > 0) THEN
            FOR SELECT HCODE FROM KAMOKU_MS
                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = :PBCODE
                GROUP BY HCODE
                ORDER BY HCODE
                INTO :H
            DO
            BEGIN
                HCODE = H;
                HOJCNT = 0;
                HNAME = '';
                SELECT HNAME FROM HOJOMST WHERE KCODE = :KCODE AND HCODE = :H INTO :HNAME;
                IF (H = ' ') THEN HNAME = KNAME;
                KAISIZAN = 0;
                KAR01 = 0; KAR02 = 0; KAR03 = 0; KAR04 = 0; KAR05 = 0; KAR06 = 0; KAR07 = 0; KAR08 = 0;
                KAR09 = 0; KAR10 = 0; KAR11 = 0; KAR12 = 0; KAR13 = 0; KAR14 = 0; KAR15 = 0; KAR16 = 0;
                KAS01 = 0; KAS02 = 0; KAS03 = 0; KAS04 = 0; KAS05 = 0; KAS06 = 0; KAS07 = 0; KAS08 = 0;
                KAS09 = 0; KAS10 = 0; KAS11 = 0; KAS12 = 0; KAS13 = 0; KAS14 = 0; KAS15 = 0; KAS16 = 0;
                SELECT COALESCE(SUM(KAISIZAN), 0) FROM KAMOKU_SZ
                    WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :H AND BCODE = :PBCODE
                    INTO :KAISIZAN;
                FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX) FROM KAMOKU_MS
                    WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :H AND BCODE = :PBCODE
                    GROUP BY MNUM
                    INTO :M, :KN, :KT, :SN, :ST
                DO
                BEGIN
                    SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
                    SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
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
                END
                IF (PHIBUN = 1 AND PBCODE = '00') THEN
                BEGIN
                    IF (PSLOT > 0) THEN KAISIZAN = FLOOR(0.5 + KAISIZAN * DECODE(PSLOT, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
                    KAR01 = FLOOR(0.5 + KAR01 * R01); KAS01 = FLOOR(0.5 + KAS01 * R01);
                    KAR02 = FLOOR(0.5 + KAR02 * R02); KAS02 = FLOOR(0.5 + KAS02 * R02);
                    KAR03 = FLOOR(0.5 + KAR03 * R03); KAS03 = FLOOR(0.5 + KAS03 * R03);
                    KAR04 = FLOOR(0.5 + KAR04 * R04); KAS04 = FLOOR(0.5 + KAS04 * R04);
                    KAR05 = FLOOR(0.5 + KAR05 * R05); KAS05 = FLOOR(0.5 + KAS05 * R05);
                    KAR06 = FLOOR(0.5 + KAR06 * R06); KAS06 = FLOOR(0.5 + KAS06 * R06);
                    KAR07 = FLOOR(0.5 + KAR07 * R07); KAS07 = FLOOR(0.5 + KAS07 * R07);
                    KAR08 = FLOOR(0.5 + KAR08 * R08); KAS08 = FLOOR(0.5 + KAS08 * R08);
                    KAR09 = FLOOR(0.5 + KAR09 * R09); KAS09 = FLOOR(0.5 + KAS09 * R09);
                    KAR10 = FLOOR(0.5 + KAR10 * R10); KAS10 = FLOOR(0.5 + KAS10 * R10);
                    KAR11 = FLOOR(0.5 + KAR11 * R11); KAS11 = FLOOR(0.5 + KAS11 * R11);
                    KAR12 = FLOOR(0.5 + KAR12 * R12); KAS12 = FLOOR(0.5 + KAS12 * R12);
                    KAR13 = FLOOR(0.5 + KAR13 * R13); KAS13 = FLOOR(0.5 + KAS13 * R13);
                    KAR14 = FLOOR(0.5 + KAR14 * R14); KAS14 = FLOOR(0.5 + KAS14 * R14);
                    KAR15 = FLOOR(0.5 + KAR15 * R15); KAS15 = FLOOR(0.5 + KAS15 * R15);
                    KAR16 = FLOOR(0.5 + KAR16 * R16); KAS16 = FLOOR(0.5 + KAS16 * R16);
                END
                ELSE IF (PHIBUN = 1) THEN
                BEGIN
                    IF (PSLOT > 0) THEN
                    BEGIN
                        COM = 0;
                        SELECT COALESCE(SUM(KAISIZAN), 0) FROM KAMOKU_SZ
                            WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :H AND BCODE = '00'
                            INTO :COM;
                        KAISIZAN = KAISIZAN + FLOOR(0.5 + COM * DECODE(PSLOT, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
                    END
                    FOR SELECT MNUM, SUM(KAR_NUK), SUM(KAR_TAX), SUM(KAS_NUK), SUM(KAS_TAX) FROM KAMOKU_MS
                        WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :H AND BCODE = '00'
                        GROUP BY MNUM
                        INTO :M, :KN, :KT, :SN, :ST
                    DO
                    BEGIN
                        SK = COALESCE(KN, 0) + IIF(PTAX = 0, COALESCE(KT, 0), 0);
                        SS = COALESCE(SN, 0) + IIF(PTAX = 0, COALESCE(ST, 0), 0);
                        IF (M = 1) THEN BEGIN KAR01 = KAR01 + FLOOR(0.5 + SK * R01); KAS01 = KAS01 + FLOOR(0.5 + SS * R01); END
                        ELSE IF (M = 2) THEN BEGIN KAR02 = KAR02 + FLOOR(0.5 + SK * R02); KAS02 = KAS02 + FLOOR(0.5 + SS * R02); END
                        ELSE IF (M = 3) THEN BEGIN KAR03 = KAR03 + FLOOR(0.5 + SK * R03); KAS03 = KAS03 + FLOOR(0.5 + SS * R03); END
                        ELSE IF (M = 4) THEN BEGIN KAR04 = KAR04 + FLOOR(0.5 + SK * R04); KAS04 = KAS04 + FLOOR(0.5 + SS * R04); END
                        ELSE IF (M = 5) THEN BEGIN KAR05 = KAR05 + FLOOR(0.5 + SK * R05); KAS05 = KAS05 + FLOOR(0.5 + SS * R05); END
                        ELSE IF (M = 6) THEN BEGIN KAR06 = KAR06 + FLOOR(0.5 + SK * R06); KAS06 = KAS06 + FLOOR(0.5 + SS * R06); END
                        ELSE IF (M = 7) THEN BEGIN KAR07 = KAR07 + FLOOR(0.5 + SK * R07); KAS07 = KAS07 + FLOOR(0.5 + SS * R07); END
                        ELSE IF (M = 8) THEN BEGIN KAR08 = KAR08 + FLOOR(0.5 + SK * R08); KAS08 = KAS08 + FLOOR(0.5 + SS * R08); END
                        ELSE IF (M = 9) THEN BEGIN KAR09 = KAR09 + FLOOR(0.5 + SK * R09); KAS09 = KAS09 + FLOOR(0.5 + SS * R09); END
                        ELSE IF (M = 10) THEN BEGIN KAR10 = KAR10 + FLOOR(0.5 + SK * R10); KAS10 = KAS10 + FLOOR(0.5 + SS * R10); END
                        ELSE IF (M = 11) THEN BEGIN KAR11 = KAR11 + FLOOR(0.5 + SK * R11); KAS11 = KAS11 + FLOOR(0.5 + SS * R11); END
                        ELSE IF (M = 12) THEN BEGIN KAR12 = KAR12 + FLOOR(0.5 + SK * R12); KAS12 = KAS12 + FLOOR(0.5 + SS * R12); END
                        ELSE IF (M = 13) THEN BEGIN KAR13 = KAR13 + FLOOR(0.5 + SK * R13); KAS13 = KAS13 + FLOOR(0.5 + SS * R13); END
                        ELSE IF (M = 14) THEN BEGIN KAR14 = KAR14 + FLOOR(0.5 + SK * R14); KAS14 = KAS14 + FLOOR(0.5 + SS * R14); END
                        ELSE IF (M = 15) THEN BEGIN KAR15 = KAR15 + FLOOR(0.5 + SK * R15); KAS15 = KAS15 + FLOOR(0.5 + SS * R15); END
                        ELSE IF (M = 16) THEN BEGIN KAR16 = KAR16 + FLOOR(0.5 + SK * R16); KAS16 = KAS16 + FLOOR(0.5 + SS * R16); END
                    END
                END
                IF (H <> ' ' OR ABS(KAISIZAN)
                    + ABS(KAR01) + ABS(KAR02) + ABS(KAR03) + ABS(KAR04) + ABS(KAR05) + ABS(KAR06) + ABS(KAR07) + ABS(KAR08)
                    + ABS(KAR09) + ABS(KAR10) + ABS(KAR11) + ABS(KAR12) + ABS(KAR13) + ABS(KAR14) + ABS(KAR15) + ABS(KAR16)
                    + ABS(KAS01) + ABS(KAS02) + ABS(KAS03) + ABS(KAS04) + ABS(KAS05) + ABS(KAS06) + ABS(KAS07) + ABS(KAS08)
                    + ABS(KAS09) + ABS(KAS10) + ABS(KAS11) + ABS(KAS12) + ABS(KAS13) + ABS(KAS14) + ABS(KAS15) + ABS(KAS16) <> 0) THEN
                    SUSPEND;
            END
    END
END^
