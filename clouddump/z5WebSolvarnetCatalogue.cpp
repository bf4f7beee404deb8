// The 46 table blocks of the management-analysis copy, in the order they are written.
#include "clouddump/z5WebSolvarnetDataDump.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/firebird/FbQuery.h"
#include "platform/firebird/FbTransaction.h"

#include <QDate>
#include <deque>
#include <stdexcept>
#include <vector>

namespace {

using C = std::vector<TWebDbSqlDump::Column>;

std::vector<TWebDbSqlDump::Column> journalColumns() {
    return {{"REC", 'N'},       {"SWKREC", 'N'},   {"SWKNO", 'N'},   {"DELFLG", 'N'},   {"TAISHAKU", 'N'},
            {"HIZUKE", 'Q'},    {"MNUM", 'N'},     {"KESSAN", 'N'},  {"SDAYNUM", 'N'},  {"MDAYNUM", 'N'},
            {"DNUM", 'N'},      {"SNUM", 'N'},     {"SCODE", 'Q'},   {"SITREC", 'N'},   {"KGROUP", 'Q'},
            {"KCODE", 'Q'},     {"HCODE", 'Q'},    {"BCODE", 'Q'},   {"KNAME", 'S'},    {"HNAME", 'S'},
            {"BNAME", 'S'},     {"TAXCODE", 'N'},  {"TAXUH", 'N'},   {"TAXDC", 'N'},    {"NUK", 'N'},
            {"ZEI", 'N'},       {"RIT", 'N'},      {"SIKIN", 'N'},   {"R_KGROUP", 'Q'}, {"R_KCODE", 'Q'},
            {"R_HCODE", 'Q'},   {"R_BCODE", 'Q'},  {"R_KNAME", 'S'}, {"R_HNAME", 'S'},  {"R_BNAME", 'S'},
            {"R_TAXCODE", 'N'}, {"R_TAXUH", 'N'},  {"R_TAXDC", 'N'}, {"R_NUK", 'N'},    {"R_ZEI", 'N'},
            {"R_RIT", 'N'},     {"R_SIKIN", 'N'},  {"KINGAKU", 'N'}, {"ZEIGAKU", 'N'},  {"ZEIRITUNO", 'N'},
            {"AUTCALCU", 'N'},  {"TAXCALCU", 'N'}, {"OLDRATE", 'N'}, {"TEKCODE", 'N'},  {"TEKTEXT", 'S'},
            {"TORCODE", 'N'},   {"TORTEXT", 'S'},  {"FUSEN1", 'N'},  {"FUSEN2", 'N'},   {"FUSEN3", 'N'},
            {"FUSEN4", 'N'},    {"FUSEN5", 'N'},   {"CTIME", 'T'},   {"COMMENT", 'S'},  {"AO_COMMENT", 'S'},
            {"LINKKEY", 'S'},   {"LINKKUB", 'I'},  {"LINKREC", 'I'}, {"LOCALFLG", 'N'}, {"RESERVE1", 'N'},
            {"RESERVE2", 'N'},  {"RTIME", 'T'},    {"OPCODE", 'N'}};
}

C operator+(C a, const C& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Runs of numbered columns ("NUM1" … "NUM8"); the names live as long as the process.
C run(const char* stem, int from, int to, char kind, bool twoDigits = false) {
    static auto* names = new std::deque<QByteArray>;
    C out;
    for (int n = from; n <= to; ++n) {
        names->push_back(QByteArray(stem) +
                         (twoDigits ? QByteArray::number(n).rightJustified(2, '0') : QByteArray::number(n)));
        out.push_back({names->back().constData(), kind});
    }
    return out;
}

C kakozanColumns() {
    C out{{"NENDO", 'N'}, {"SCODE", 'Q'}, {"BCODE", 'Q'}, {"KCODE", 'Q'}, {"HCODE", 'Q'}, {"KISHU", 'N'}};
    for (int n = 1; n <= 16; ++n)
        out = out + run("KOMIZAN_", n, n, 'N') + run("NUKIZAN_", n, n, 'N') + run("IKKATSU_", n, n, 'N') +
              run("HAIBUN_", n, n, 'N');
    return out;
}

} // namespace

using Block = TWebDbSqlDump::Block;

namespace {

const std::vector<Block>& commonBlocks() {
    static const std::vector<Block> blocks = [] {
        std::vector<Block> b;
        b.push_back(
            {"ACCDEF1",
             C{{"REC", 'N'},          {"GROUPID", 'N'},      {"ENTTEXT", 'S'},    {"SERIAL", 'S'},
               {"TANTOU", 'N'},       {"GYOUSHU", 'N'},      {"DATATYPE", 'N'},   {"CODETYPE", 'N'},
               {"SCODE1", 'S'},       {"SCODE2", 'S'},       {"SKANA", 'S'},      {"SHOUGOU", 'S'},
               {"POST", 'S'},         {"ADD1", 'S'},         {"ADD2", 'S'},       {"TEL", 'S'},
               {"AO_ADD1", 'S'},      {"AO_ADD2", 'S'},      {"AO_KANA", 'S'},    {"AO_SIMEI", 'S'},
               {"AO_GYOUSHU", 'S'},   {"AO_YAGO", 'S'},      {"AO_KANYU", 'S'},   {"AO_TEL", 'S'},
               {"AO_SHOKUGYO1", 'S'}, {"AO_SHOKUGYO2", 'S'}, {"ZZKISHU", 'Y'},    {"ZKISHU", 'Z'},
               {"NENDO", 'N'},        {"KISHU", 'Q'},        {"KIMATU", 'Q'},     {"KAISI", 'Q'},
               {"SIME", 'N'},         {"KAISINO", 'N'},      {"GENGOU_FLG", 'N'}, {"GENGOU_HOSEI", 'N'},
               {"GENGOU_NAME", 'Q'},  {"YAKUMEI1", 'Q'},     {"YAKUMEI2", 'Q'},   {"YAKUMEI3", 'Q'}} +
                 run("OLD_TAX_RATE", 1, 5, 'N') + run("NEW_TAX_RATE", 1, 5, 'N') +
                 run("CHG_DAYS", 1, 5, 'T') +
                 C{{"KANSA_FIXDATE", 'T'},   {"KANSA_DATE", 'T'},      {"CALCU", 'N'},
                   {"TAXU_HASUU", 'N'},      {"TAXH_HASUU", 'N'},      {"TAXDEFUH", 'N'},
                   {"TAXKANNI", 'N'},        {"TAXJIGYOU", 'N'},       {"GENKAPRINT", 'N'},
                   {"KANSA_LOCK", 'N'},      {"TEGATADICSW", 'N'},     {"KESSAN_KIKAN", 'N'},
                   {"CASHFLOW_KIKAN1", 'N'}, {"CASHFLOW_KIKAN2", 'N'}, {"CASHFLOWSW", 'N'},
                   {"SDAI_HASUU1", 'N'},     {"SDAI_HASUU2", 'N'},     {"SDAI_HASUU3", 'N'},
                   {"CONVERT", 'N'},         {"SHOUHYOU", 'N'},        {"SITEN", 'N'},
                   {"BUMON", 'N'},           {"DATALOCK", 'N'},        {"FUMEI_KCODE", 'S'},
                   {"GENKA_USE", 'N'}} +
                 run("GENKA_HWORD", 1, 6, 'Q') + C{{"PASWORD", 'S'}, {"WEB_HOLDER", 'S'}},
             "REC",
             false,
             {},
             nullptr,
             {"ZZKISHU", "ZKISHU", "KISHU"}});
        b.push_back(
            {"ACCDEF2", C{{"KCODE", 'Q'}, {"KNAME", 'Q'}, {"KGROUP", 'Q'}, {"HYOUJYUN", 'N'}}, "KCODE"});
        b.push_back({"ACCDEF5", C{{"SCODE", 'Q'}, {"BCODE", 'Q'}, {"MNUM", 'N'}} + run("NUM", 1, 8, 'N'),
                     "SCODE, BCODE, MNUM"});
        b.push_back({"ACCREG",
                     C{{"AGROUP", 'Q'}, {"ACODE", 'Q'}, {"ATYPE", 'Q'}, {"ATEXT", 'Q'}, {"AMEMO", 'Q'}},
                     "AGROUP, ACODE",
                     false,
                     {},
                     "AGROUP <> :AGROUP"});
        b.push_back({"ACCTOTALNAME",
                     C{{"REC", 'N'},
                       {"MB_JIGYOU", 'N'},
                       {"VERSION", 'N'},
                       {"KGROUP", 'Q'},
                       {"KESKUBUN", 'N'},
                       {"ARRAYNUM", 'N'},
                       {"KOUMOKU", 'Q'},
                       {"PLUSNAME", 'Q'},
                       {"MINUSNAME", 'Q'},
                       {"MODIFY", 'N'}},
                     "REC",
                     false,
                     {},
                     nullptr,
                     {},
                     {"M:MB_JIGYOU=0"}});
        b.push_back(
            {"BUMONMST", C{{"BCODE", 'Q'}, {"BNAME", 'S'}, {"XSTR", 'Q'}, {"KENSAKU_KEY", 'S'}}, "BCODE"});
        b.push_back({"BUNSEKI_SYUKEIHYO",
                     C{{"RECKEY", 'P'},
                       {"CODE", 'Q'},
                       {"TITLE", 'Q'},
                       {"CHOHYO_BS", 'N'},
                       {"CHOHYO_PL", 'N'},
                       {"SYUKEIKBN", 'N'},
                       {"ROW_JYODAN", 'N'},
                       {"ROW_CHUDAN", 'N'},
                       {"ROW_GEDAN", 'N'}},
                     "TITLE"});
        b.push_back(
            {"CHARTINF",
             C{{"OPCODE", 'N'}, {"CTYPE1", 'M'}, {"CTYPE2", 'N'},   {"CTYPE3", 'N'},   {"CTYPE4", 'N'},
               {"BAKCOL", 'R'}, {"FORCOL", 'R'}, {"GRID", 'N'},     {"FONTSIZE", 'N'}, {"ECOL1", 'R'},
               {"ECOL2", 'R'},  {"ECOL3", 'R'},  {"ECOL4", 'R'},    {"THREE_D", 'N'},  {"HANREI", 'N'},
               {"TANI", 'N'},   {"HASUU", 'N'},  {"RESERVE1", 'N'}, {"RESERVE2", 'N'}, {"RESERVE3", 'N'}},
             "OPCODE",
             false,
             {},
             "OPCODE = 100009999"});
        b.push_back({"EXTERKS",
                     C{{"REC", 'N'},
                       {"KUBUN", 'N'},
                       {"KGROUP", 'Q'},
                       {"SUBREC", 'N'},
                       {"KNAME1", 'Q'},
                       {"KNAMELOCK", 'N'},
                       {"AO_KISHUZAN", 'N'},
                       {"AO_KIMATUZAN", 'N'}},
                     "REC"});
        b.push_back({"FINMST",
                     C{{"F_CODE", 'N'}, {"F_REC", 'N'}, {"F_KUBU", 'Q'}, {"F_CAD", 'N'}, {"F_TEXT", 'Q'}},
                     "F_CODE"});
        b.push_back({"GROUPLIST", C{{"GCODE", 'Q'}, {"BCODE", 'Q'}}, "GCODE, BCODE"});
        b.push_back({"GROUPMST", C{{"GCODE", 'Q'}, {"GNAME", 'Q'}}, "GCODE"});
        b.push_back({"HIKAKU_BUMON", C{{"PCODE", 'Q'}, {"BCODE", 'Q'}, {"NUMBER", 'N'}}, "PCODE, BCODE"});
        b.push_back({"HIKAKU_GROUP", C{{"PCODE", 'Q'}, {"GCODE", 'Q'}, {"NUMBER", 'N'}}, "PCODE, GCODE"});
        b.push_back({"HIKAKU_PATTERN", C{{"PCODE", 'Q'}, {"PNAME", 'Q'}, {"JIGYOKBN", 'N'}}, "PCODE"});
        b.push_back({"HIKAKU_SISETU", C{{"PCODE", 'Q'}, {"SCODE", 'Q'}, {"NUMBER", 'N'}}, "PCODE, SCODE"});
        b.push_back({"HIKAKU_SISETU_GROUP",
                     C{{"PCODE", 'Q'}, {"GCODE", 'Q'}, {"JIGYOKBN", 'N'}, {"NUMBER", 'N'}}, "PCODE, GCODE"});
        b.push_back({"HIKAKU_SISETU_PATTERN", C{{"PCODE", 'Q'}, {"PNAME", 'Q'}, {"JIGYOKBN", 'N'}}, "PCODE"});
        b.push_back({"HOJOMST",
                     C{{"KCODE", 'Q'},
                       {"HCODE", 'Q'},
                       {"HKANA", 'S'},
                       {"HNAME", 'S'},
                       {"REC", 'N'},
                       {"TAX_LCODE", 'N'},
                       {"TAX_RCODE", 'N'},
                       {"TAX_NUM", 'N'},
                       {"BPFLG", 'Q'},
                       {"KENSAKU_KEY", 'Q'},
                       {"OPCODE", 'N'},
                       {"XSTR", 'Q'},
                       {"RTIME", 'T'}},
                     "KCODE, HCODE"});
        b.push_back({"KAKOSIWAKE1", journalColumns(), "REC", true});
        b.push_back({"KAKOSIWAKE2", journalColumns(), "REC", true});
        b.push_back({"KAKOZAN", kakozanColumns(), "NENDO, SCODE, BCODE, KCODE, HCODE"});
        b.push_back(
            {"KAMOKUMST",
             C{{"KCODE", 'Q'},
               {"USERCODE", 'Q'},
               {"REC", 'N'},
               {"GROUPM0", 'Q'},
               {"GROUPM1", 'Q'},
               {"GROUPM2", 'Q'},
               {"GROUPR1", 'Q'},
               {"GROUPR2", 'Q'},
               {"KKANA", 'S'},
               {"KNAME", 'S'},
               {"USE", 'N'},
               {"USEDEF", 'N'},
               {"BLDAC", 'N'},
               {"DAC", 'N'},
               {"DELFLG", 'N'},
               {"TAX_LCODE", 'N'},
               {"TAX_RCODE", 'N'},
               {"TAX_NUM", 'N'},
               {"FUN_LCODE", 'N'},
               {"FUN_RCODE", 'N'},
               {"HOJOSW", 'Q'},
               {"BPFLG", 'Q'},
               {"KEIHKUBU", 'Q'},
               {"EXT1_A4", 'I'},
               {"EXT1_A3", 'I'},
               {"EXT1_KS", 'I'},
               {"SOLVARNE_BADRATE", 'F'},
               {"SOLVARNE_BADKIND", 'I'},
               {"SOLVARNE_GOODRATE", 'F'},
               {"SOLVARNE_GOODKIND", 'I'},
               {"SOLVARNE_YOJITU_RATE1", 'F'},
               {"SOLVARNE_YOJITU_KIND1", 'I'},
               {"SOLVARNE_YOJITU_RATE2", 'F'},
               {"SOLVARNE_YOJITU_KIND2", 'I'},
               {"SIKINGURIKUBUN", 'K'},
               {"KENSAKU_KEY", 'Q'},
               {"XSTR", 'Q'},
               {"OPCODE", 'N'},
               {"RTIME", 'T'},
               {"GROUPM3", 'S'},
               {"EXT2_A4", 'S'},
               {"EXT2_A3", 'S'},
               {"EXT3_A4", 'S'},
               {"EXT3_A3", 'S'},
               {"EXT4_A4", 'S'},
               {"EXT4_A3", 'S'}},
             "KCODE",
             false,
             {},
             nullptr,
             {},
             {"M:GROUPR1=GROUPM1", "M:GROUPR2=GROUPM2", "M:GROUPM3=NULL", "M:EXT2_A4=NULL", "M:EXT2_A3=NULL",
              "M:EXT3_A4=NULL", "M:EXT3_A3=NULL", "M:EXT4_A4=NULL", "M:EXT4_A3=NULL"}});
        b.push_back(
            {"KAMOKU_MS",
             C{{"SCODE", 'Q'},
               {"KCODE", 'Q'},
               {"HCODE", 'Q'},
               {"BCODE", 'Q'},
               {"MNUM", 'N'},
               {"KAR_NUK", 'N'},
               {"KAR_TAX", 'N'},
               {"KAR_IKKATSU", 'N'},
               {"KAS_NUK", 'N'},
               {"KAS_TAX", 'N'},
               {"KAS_IKKATSU", 'N'},
               {"BYOSAN", 'N'},
               {"BYOSOKU", 'N'},
               {"RYOSAN", 'N'},
               {"BYOSAN2", 'N'},
               {"BYOSAN3", 'N'}},
             "SCODE, KCODE, HCODE, BCODE, MNUM",
             true,
             {"INSERT INTO KAMOKU_MS",
              "(SCODE,KCODE,HCODE,BCODE,MNUM,KAR_NUK,KAR_TAX,KAR_IKKATSU,KAS_NUK,KAS_TAX,KAS_IKKATSU,BYOSAN,"
              "BYOSOKU,RYOSAN,BYOSAN2,BYOSAN3)",
              "VALUES"},
             nullptr,
             {},
             {"V:BYOSAN2=0", "V:BYOSAN3=0"}});
        b.push_back(
            {"KAMOKU_SZ",
             C{{"SCODE", 'Q'},
               {"KCODE", 'Q'},
               {"HCODE", 'Q'},
               {"BCODE", 'Q'},
               {"KISHU_KOMI", 'N'},
               {"KISHU_NUKI", 'N'}} +
                 run("HAIBUN", 1, 16, 'N', true) + C{{"KAKOZAN", 'N'}},
             "SCODE, KCODE, HCODE, BCODE",
             true,
             {"INSERT INTO KAMOKU_SZ", "(SCODE,KCODE,HCODE,BCODE,KISHU_KOMI,KISHU_NUKI,",
              "HAIBUN01,HAIBUN02,HAIBUN03,HAIBUN04,HAIBUN05,HAIBUN06,HAIBUN07,HAIBUN08,HAIBUN09,HAIBUN10,"
              "HAIBUN11,HAIBUN12,HAIBUN13,HAIBUN14,HAIBUN15,HAIBUN16,KAKOZAN)",
              "VALUES"}});
        b.push_back(
            {"KAMOKU_TAX",
             C{{"SCODE", 'Q'}, {"BCODE", 'Q'}, {"KKUBUN", 'N'}, {"MNUM", 'N'}, {"KAR", 'N'}, {"KAS", 'N'}},
             "SCODE, BCODE, KKUBUN, MNUM"});
        b.push_back({"MB_KMKGROUP", C{{"GCODE", 'Q'}, {"KCODE", 'Q'}}, "GCODE, KCODE"});
        b.push_back({"SOLVARNE_HIKAKU",
                     C{{"REC", 'N'},
                       {"BUNRUI", 'N'},
                       {"MEISHOU", 'Q'},
                       {"TANIMEI", 'Q'},
                       {"BADRATE", 'N'},
                       {"BADKIND", 'N'},
                       {"GOODRATE", 'N'},
                       {"GOODKIND", 'N'},
                       {"GROUPA1", 'Q'},
                       {"GROUPA2", 'Q'},
                       {"GROUPB1", 'Q'},
                       {"GROUPB2", 'Q'}},
                     "REC"});
        b.push_back({"SOLVARNE_HIKAKU_COL", C{{"REC", 'N'}, {"NUM", 'N'}, {"MEISHOU", 'S'}}, "REC"});
        b.push_back({"SOLVARNE_YOJITUHENDOU",
                     C{{"REC", 'N'},
                       {"MEISHOU", 'S'},
                       {"RATE1", 'N'},
                       {"KIND1", 'N'},
                       {"RATE2", 'N'},
                       {"KIND2", 'N'}},
                     "REC"});
        b.push_back({"SISETUBUM", C{{"SCODE", 'Q'}, {"BCODE", 'Q'}, {"HAIBUN", 'N'}}, "SCODE, BCODE"});
        b.push_back({"SISETUGROUP", C{{"GCODE", 'Q'}, {"GNAME", 'S'}}, "GCODE"});
        b.push_back({"SISETUGROUPLIST", C{{"GCODE", 'Q'}, {"SCODE", 'Q'}}, "GCODE, SCODE"});
        b.push_back({"SISETUMST",
                     C{{"SCODE", 'Q'}, {"SNAME", 'S'}, {"ADDUP", 'N'}, {"BUMEX", 'N'}} +
                         run("XSTR", 1, 6, 'Q') +
                         C{{"XSTR7", 'E'},
                           {"XSTR8", 'E'},
                           {"SIWAKECOUNT", 'N'},
                           {"KENSAKU_KEY", 'Q'},
                           {"XSTR", 'Q'},
                           {"MB_JIGYOU", 'N'},
                           {"MB_SINRYOZYO", 'N'},
                           {"MB_SISETU_NUM", 'Q'},
                           {"MB_SYOZAITI", 'Q'}},
                     "SCODE",
                     false,
                     {},
                     nullptr,
                     {},
                     {"M:MB_JIGYOU=0", "M:MB_SINRYOZYO=0", "M:MB_SISETU_NUM=''", "M:MB_SYOZAITI=''"}});
        b.push_back({"SIWAKE", journalColumns(), "REC", true});
        b.push_back({"SIWAKE2",
                     C{{"REC", 'N'}, {"SWKREC", 'N'}, {"LINKKEY", 'Q'}, {"LINKKUB", 'I'}, {"LINKREC", 'I'}},
                     "REC", true});
        b.push_back({"SWK_SEARCH",
                     C{{"REC", 'N'}, {"NAME", 'S'}, {"KIND", 'N'}, {"STYPE", 'N'}, {"SSTR", 'Q'}},
                     "REC",
                     false,
                     {"INSERT INTO SWK_SEARCH(REC,NAME,KIND,STYPE,SSTR) VALUES"}});
        b.push_back({"TAXMST",
                     C{{"TAX_CODE", 'N'},
                       {"TAX_REC", 'N'},
                       {"TAX_GNAM", 'Q'},
                       {"TAX_NAME", 'Q'},
                       {"TAX_HOUSIKI", 'N'},
                       {"TAX_UH", 'N'},
                       {"TAX_DAC", 'N'},
                       {"TAX_NAME2", 'Q'}},
                     "TAX_CODE"});
        b.push_back({"MSD_HOUKOKU",
                     C{{"MDGROUP", 'S'},
                       {"MDCODE", 'S'},
                       {"MDTYPE", 'S'},
                       {"MDTEXT1", 'S'},
                       {"MDTEXT2", 'S'},
                       {"MDTEXT3", 'S'}},
                     "MDGROUP, MDCODE",
                     false,
                     {"INSERT INTO MSD_HOUKOKU(MDGROUP,MDCODE,MDTYPE,MDTEXT1,MDTEXT2,MDTEXT3) VALUES"}});
        b.push_back({"AOPRO_YOSAN_KANRI",
                     C{{"FYOSAN_ID", 'I'},
                       {"FYOSAN_NAME", 'S'},
                       {"FYOSAN_HOUHOU", 'I'},
                       {"FJISSEKI_TUKI16", 'I'},
                       {"FYOSOKU_HOUHOU", 'I'},
                       {"FZOUGENRITU", 'D'},
                       {"FIS_DIRECT_ZANDAKA", 'I'},
                       {"FANBUN_HOUHOU", 'I'},
                       {"FTOUKI_BUILD", 'I'}},
                     "FYOSAN_ID",
                     false,
                     {"INSERT INTO AOPRO_YOSAN_KANRI(FYOSAN_ID,FYOSAN_NAME,FYOSAN_HOUHOU,FJISSEKI_TUKI16,"
                      "FYOSOKU_HOUHOU,FZOUGENRITU,FIS_DIRECT_ZANDAKA,FANBUN_HOUHOU,FTOUKI_BUILD) VALUES"}});
        b.push_back(
            {"AOPRO_KAMOKU_YOSAN",
             C{{"FYOSAN_ID", 'I'},
               {"FNENDO", 'I'},
               {"FSCODE", 'S'},
               {"FKCODE", 'S'},
               {"FHCODE", 'S'},
               {"FBCODE", 'S'},
               {"FMNUM", 'I'},
               {"FYOSAN", 'C'}},
             "FYOSAN_ID, FNENDO, FSCODE, FKCODE, FHCODE, FBCODE, FMNUM",
             false,
             {"INSERT INTO AOPRO_KAMOKU_YOSAN(FYOSAN_ID,FNENDO,FSCODE,FKCODE,FHCODE,FBCODE,FMNUM,FYOSAN) "
              "VALUES"}});
        b.push_back(
            {"AOPRO_YOSAN_KIHONRULE",
             C{{"FID", 'P'},
               {"FKOMOKU", 'S'},
               {"FROW", 'I'},
               {"FKBN", 'S'},
               {"FWARIAI", 'D'},
               {"FSITE", 'I'},
               {"FMEMO", 'S'},
               {"FHIZUKE", 'T'},
               {"FKINGAKU", 'C'}},
             "FKOMOKU, FROW",
             false,
             {"INSERT INTO AOPRO_YOSAN_KIHONRULE(FID,FKOMOKU,FROW,FKBN,FWARIAI,FSITE,FMEMO,FHIZUKE,FKINGAKU) "
              "VALUES"}});
        b.push_back({"KAMOKU_KOSEI_GROUP",
                     C{{"FGNAME", 'S'}, {"FKCODE", 'S'}, {"FHCODE", 'S'}},
                     "FGNAME, FKCODE",
                     false,
                     {"INSERT INTO KAMOKU_KOSEI_GROUP(FGNAME,FKCODE,FHCODE) VALUES"},
                     nullptr,
                     {},
                     {"A:FHCODE=''"}});
        b.push_back({"SOLVARNE_YOJITU_HYOKARULE",
                     C{{"FGCODE", 'S'},
                       {"FMEISHOU", 'S'},
                       {"FBAD_RATE", 'D'},
                       {"FBAD_HANI", 'I'},
                       {"FGOOD_RATE", 'D'},
                       {"FGOOD_HANI", 'I'}},
                     "FGCODE",
                     false,
                     {"INSERT INTO "
                      "SOLVARNE_YOJITU_HYOKARULE(FGCODE,FMEISHOU,FBAD_RATE,FBAD_HANI,FGOOD_RATE,FGOOD_HANI) "
                      "VALUES"}});
        return b;
    }();
    return blocks;
}

} // namespace

namespace {

QString headerText(const Block& block) {
    if (block.header.empty())
        return QStringLiteral("INSERT INTO %1 VALUES").arg(QLatin1String(block.table));
    QStringList parts;
    for (const char* h : block.header)
        parts << QString::fromUtf8(h);
    return parts.join(QStringLiteral("\r\n"));
}

int chartType(int value) {
    switch (value) {
    case 2:
    case 5:
        return 2;
    case 3:
    case 4:
        return 3;
    default:
        return 0;
    }
}

} // namespace

const std::vector<Block>& TWebDbSqlDump::Blocks() {
    return commonBlocks();
}

const Block& TWebDbSqlDump::BlockOf(const char* table) {
    for (const Block& b : commonBlocks())
        if (qstrcmp(b.table, table) == 0)
            return b;
    throw std::logic_error(std::string("no dump block ") + table);
}

QString TWebDbSqlDump::selectOf(const Block& block, const QString& where) const {
    QStringList columns;
    for (const Column& c : block.columns) {
        if (c.kind == 'P' || c.kind == 'E' || c.kind == 'Y' || c.kind == 'Z')
            continue;
        QString expr = QString::fromLatin1(c.name);
        for (const char* o : block.overrides) {
            const QString rule = QString::fromUtf8(o);
            const QChar scope = rule.at(0);
            const qsizetype eq = rule.indexOf(u'=');
            if (rule.mid(2, eq - 2) != expr)
                continue;
            if (scope == u'A' || (scope == u'M' && !medical()) || (scope == u'V' && !version802()))
                expr = rule.mid(eq + 1) + QStringLiteral(" AS ") + expr;
        }
        columns << expr;
    }
    for (const char* e : block.extra)
        columns << QString::fromLatin1(e);
    QString sql = QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  QLatin1String(block.table);
    const QString w = !where.isEmpty() ? where : QString::fromUtf8(block.where ? block.where : "");
    if (!w.isEmpty())
        sql += QStringLiteral(" WHERE ") + w;
    if (block.order)
        sql += QStringLiteral(" ORDER BY ") + QLatin1String(block.order);
    return sql;
}

namespace {

// Escapes out from position from on as EscapeSqlText does, in place. UTF-8 holds the characters it
// escapes only as single bytes, so the bytes can be escaped as they stand.
void escapeFrom(QByteArray& out, qsizetype from) {
    const auto special = [](char c) {
        return c == '\\' || c == '\'' || c == 0 || c == '\r' || c == '\n' || c == 0x1A;
    };
    qsizetype extra = 0;
    const char* p = out.constData();
    for (qsizetype i = from; i < out.size(); ++i)
        extra += special(p[i]);
    if (extra == 0)
        return;
    // Each special byte gains a backslash: moved from the end backwards within the grown buffer.
    qsizetype src = out.size();
    out.resize(src + extra);
    char* d = out.data();
    qsizetype dst = out.size();
    while (src > from && dst > src) {
        const char c = d[--src];
        if (!special(c)) {
            d[--dst] = c;
            continue;
        }
        d[--dst] = c == 0 ? '0' : c == '\r' ? 'r' : c == '\n' ? 'n' : c == 0x1A ? 'Z' : c;
        d[--dst] = '\\';
    }
}

// A quoted, escaped string literal of a field's text; null (NULL) for NULL.
void appendQuoted(QByteArray& out, const fb::Field& f, const char* null) {
    const qsizetype start = out.size();
    out += '\'';
    if (!f.appendUtf8(out)) {
        out.truncate(start);
        out += null;
        return;
    }
    escapeFrom(out, start + 1);
    out += '\'';
}

} // namespace

void TWebDbSqlDump::appendValue(QByteArray& out, const Column& c, int& index, qint64 position) const {
    switch (c.kind) {
    case 'P':
        out += QByteArray::number(position);
        return;
    case 'E':
        out += "''";
        return;
    case 'Y':
    case 'Z': {
        // The starts of the two previous fiscal years: the stored one, else a year before the next.
        auto start = [this](const char* column, QDate next) {
            const fb::Field f = Query->field(column);
            return !f.isNull() && f.asDayCount() != 0 ? TDateTime(f.asDayCount()).toDate()
                                                      : next.addMonths(-12);
        };
        const fb::Field k = Query->field("KISHU");
        if (k.isNull() || k.asDayCount() == 0) {
            out += "null";
            return;
        }
        const QDate previous = start("ZKISHU", TDateTime(k.asDayCount()).toDate());
        const QDate date = c.kind == 'Z' ? previous : start("ZZKISHU", previous);
        out += date.toString(QStringLiteral("''yyyy/MM/dd''")).toUtf8();
        return;
    }
    default:
        break;
    }
    const fb::Field f = Query->field(index++);
    switch (c.kind) {
    case 'Q':
        appendQuoted(out, f, "''");
        return;
    case 'S':
        appendQuoted(out, f, "null");
        return;
    case 'T':
        AppendDateTimeField(out, f);
        return;
    case 'R':
        out += f.isNull() ? QByteArray("0") : ColorToRgbInt(f.asInt()).toLatin1();
        return;
    case 'M':
        out += QByteArray::number(chartType(f.isNull() ? 0 : f.asInt()));
        return;
    case 'K': {
        bool ok = false;
        const int v = f.asString().trimmed().toInt(&ok);
        out += QByteArray::number(ok ? v : 0);
        return;
    }
    default: // N, I, D, F, C
        if (!f.appendUtf8(out))
            out += "null";
    }
}

qint64 TWebDbSqlDump::writeRows(const Block& block, const QString& where, qint64 limit, qint64 position) {
    Query->close();
    Query->setSql(selectOf(block, where));
    if (Query->hasParam("AGROUP"))
        Query->setString("AGROUP", QStringLiteral("経営Solvarnet"));
    Query->open();
    const QByteArray header = EncodeDumpText(headerText(block)) + "\r\n";
    qint64 count = 0;
    while (!Query->eof()) {
        if (count == 0)
            write(header);
        QByteArray& row = rowBuffer();
        row += '(';
        int index = 0;
        bool first = true;
        for (const Column& c : block.columns) {
            if (!first)
                row += ',';
            first = false;
            appendValue(row, c, index, position + count + 1);
        }
        row += ')';
        Query->next();
        ++count;
        if (Query->eof() || count == limit) {
            row += ';';
            rowWritten();
            break;
        }
        if (block.split && count % RowsPerInsert == 0) {
            row += ";\r\n";
            rowWritten();
            write(header);
            continue;
        }
        row += ',';
        rowWritten();
    }
    Query->close();
    return count;
}

void TWebDbSqlDump::writeBlock(const char* table, bool gate) {
    line(QStringLiteral("DELETE FROM %1;").arg(QLatin1String(table)));
    if (gate)
        writeRows(BlockOf(table));
    line(QString());
}

void TWebDbSqlDump::writeBody() {
    writeBlock("ACCDEF1");
    writeBlock("ACCDEF2");
    writeBlock("ACCDEF5");
    writeBlock("ACCREG");
    writeAccRegSettings();
    writeBlock("ACCTOTALNAME");
    writeAccVersion();
    writeBlock("BUMONMST");
    writeBlock("BUNSEKI_SYUKEIHYO");
    line(QStringLiteral("DELETE FROM CHARTINF;"));
    if (writeRows(BlockOf("CHARTINF")) == 0)
        write(
            "INSERT INTO CHARTINF VALUES(100009999,0,0,0,0,16777215,0,3,2,255,16776960,16711680,65535,20,0,0,"
            "0,0,0,0);");
    line(QString());
    for (const char* t :
         {"EXTERKS", "FINMST", "GROUPLIST", "GROUPMST", "HIKAKU_BUMON", "HIKAKU_GROUP", "HIKAKU_PATTERN",
          "HIKAKU_SISETU", "HIKAKU_SISETU_GROUP", "HIKAKU_SISETU_PATTERN", "HOJOMST"})
        writeBlock(t);
    writeJobControl();
    for (const char* t :
         {"KAKOSIWAKE1", "KAKOSIWAKE2", "KAKOZAN", "KAMOKUMST", "KAMOKU_MS", "KAMOKU_SZ", "KAMOKU_TAX",
          "MB_KMKGROUP", "SOLVARNE_HIKAKU", "SOLVARNE_HIKAKU_COL", "SOLVARNE_YOJITUHENDOU", "SISETUBUM",
          "SISETUGROUP", "SISETUGROUPLIST", "SISETUMST", "SIWAKE", "SIWAKE2", "SWK_SEARCH", "TAXMST"})
        writeBlock(t);
    writeBlock("MSD_HOUKOKU", medical());
    writeBlock("AOPRO_YOSAN_KANRI", version802());
    writeBlock("AOPRO_KAMOKU_YOSAN", version802());
    writeKihonRule();
    writeKoseiGroup();
    writeBlock("SOLVARNE_YOJITU_HYOKARULE", version802());
}

void TWebDbSqlDump::writeAccRegSettings() {
    const auto bit = [](qint32 value, int n) { return (value >> (n - 1)) & 1; };
    const QString kankyo = QStringLiteral("環境設定"), kessan = QStringLiteral("決算書");
    const auto number = [this](const QString& group, const char* code, qint64 value) {
        line(QStringLiteral("INSERT INTO ACCREG VALUES(%1,%2,'整数',%3,'');")
                 .arg(QuotedSqlText(group), u'\'' + QString::fromUtf8(code) + u'\'')
                 .arg(value));
    };
    const auto text = [this](const char* code, const QString& value) {
        line(QStringLiteral("INSERT INTO ACCREG VALUES('環境設定','%1','文字',%2,'');")
                 .arg(QString::fromUtf8(code), QuotedSqlText(value)));
    };
    const TSystemDef& s = SystemDef;
    number(kankyo, "証憑列表示区分", bit(s.Reserve4, 3));
    number(kankyo, "支店毎連番表示区分", bit(s.Reserve4, 4));
    number(kankyo, "３期比較年度出力順区分", bit(s.Reserve4, 11));
    number(kankyo, "部門帳票２行印刷区分", s.SwkLine);
    number(kankyo, "税額参考印刷区分", s.Reserve1);
    number(kankyo, "元帳最終取引残高印刷区分", s.LedgerLastBalance);
    number(kankyo, "元帳タイトル科目名称出力区分", s.LedgerTitleOut);
    number(kankyo, "両面印刷罫線出力区分", s.BackRuleLine);
    number(kankyo, "インデックス出力区分", s.LedgerTagMark);
    number(kankyo, "名称金額出力区分", s.KingakuPlus);
    number(kankyo, "試算表集計区分印刷区分", s.TrialTotalOut);
    number(kankyo, "貸借対照表集計期間印刷区分", s.TrialPeriodOut);
    number(kankyo, "負債の部改ページ区分", s.TrialBsPage);
    number(kankyo, "試算表タイトル変更区分", s.TrialTitleOut);
    text("試算表タイトル", s.TrialTitle);
    text("２期試算表タイトル", s.TrialTitle2);
    text("試算表貸借対照表", s.BsTitles[1]);
    text("試算表資産の部", s.AssetTitles[1]);
    text("試算表負債・純資産の部", s.LiabilityTitles[1]);
    text("試算表損益計算書", s.PlTitles[1]);
    text("試算表販売費・一般管理費", QString());
    number(kessan, "損失金額△区分", s.SankakuPlus);
    number(kessan, "残高０円科目出力区分", s.ZeroPrint);
    number(kessan, "負債の部改ページ区分", bit(s.Reserve2, 1));
    number(kessan, "外枠可変区分", bit(s.Reserve2, 2));
}

void TWebDbSqlDump::writeAccVersion() {
    line(QStringLiteral("DELETE FROM ACCVERSION;"));
    line(QStringLiteral("INSERT INTO ACCVERSION(MAJOR,MINOR,REV,MEMO) VALUES"));
    line(QStringLiteral("(%1,%2,%3,%4);")
             .arg(WebSolvarnetVersion[0])
             .arg(WebSolvarnetVersion[1])
             .arg(WebSolvarnetVersion[2])
             .arg(DumpDateText(QStringLiteral("DATETIME"), TDateTime::now())));
}

void TWebDbSqlDump::writeJobControl() {
    line(QStringLiteral("DELETE FROM JOBCONTROL;"));
    if (!version802())
        return;
    Query->close();
    Query->setSql(
        QStringLiteral("SELECT PROC_ID FROM JOBCONTROL2 WHERE LEVELNO = :LEVELNO ORDER BY PROC_ID"));
    Query->setInt("LEVELNO", JobLevel);
    Query->open();
    qint64 count = 0;
    while (!Query->eof()) {
        if (count == 0)
            line(QStringLiteral("INSERT INTO JOBCONTROL VALUES"));
        ++count;
        QString row =
            QStringLiteral("(%1,200,0,0,'',%2)").arg(count).arg(QuotedSqlText(Query->field(0).asString()));
        Query->next();
        row += Query->eof() ? u';' : u',';
        write(EncodeDumpText(row));
    }
    Query->close();
    line(QString());
}

void TWebDbSqlDump::writeKihonRule() {
    line(QStringLiteral("DELETE FROM AOPRO_YOSAN_KIHONRULE;"));
    if (!version802()) {
        line(QString());
        return;
    }
    Query->close();
    Query->setSql(QStringLiteral("SELECT COUNT(FKOMOKU) AS RECCNT FROM AOPRO_YOSAN_KIHONRULE"));
    if (Query->openInt("RECCNT") == 0) {
        // The default rules go in in a transaction of their own: the caller's pending work stays
        // uncommitted, and the rules stay even when a later block fails.
        fb::Transaction own(DM->IBDatabaseDAT);
        own.start();
        fb::Query insert(own);
        const char* const rules[] = {"('売上債権',1,'現金',100.0,0,'','1899/12/31',0)",
                                     "('売上債権',2,'掛',0.0,2,'','1899/12/31',0)",
                                     "('売上債権',3,'手形',0.0,2,'','1899/12/31',0)",
                                     "('仕入債務',1,'現金',100,0.0,'','1899/12/31',0)",
                                     "('仕入債務',2,'掛',0.0,2,'','1899/12/31',0)",
                                     "('仕入債務',3,'手形',0.0,2,'','1899/12/31',0)"};
        for (const char* r : rules) {
            insert.setSql(
                QStringLiteral("INSERT INTO AOPRO_YOSAN_KIHONRULE(FKOMOKU,FROW,FKBN,FWARIAI,FSITE,FMEMO,"
                               "FHIZUKE,FKINGAKU) VALUES") +
                QString::fromUtf8(r));
            insert.execute();
        }
        own.commit();
    }
    const Block& rules = BlockOf("AOPRO_YOSAN_KIHONRULE");
    qint64 id = writeRows(rules, QStringLiteral("(FKOMOKU<>'納税')AND(FKOMOKU<>'その他')"));
    if (id > 0)
        line(QString());
    lines({"DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE (FKOMOKU='売上債権') AND (FKBN='設定単位');",
           "DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE (FKOMOKU='仕入債務') AND (FKBN='設定単位');",
           "DELETE FROM AOPRO_YOSAN_KIHONRULE WHERE (FKOMOKU='未払金／未払費用');"});
    Block dated = rules;
    dated.order = "FKOMOKU, FHIZUKE, FROW";
    for (const char* group : {"FKOMOKU='納税'", "FKOMOKU='その他'"}) {
        const qint64 n = writeRows(dated, QString::fromUtf8(group), 10, id);
        if (n > 0)
            line(QString());
        id += n;
    }
    line(QString());
}

void TWebDbSqlDump::writeKoseiGroup() {
    line(QStringLiteral("DELETE FROM KAMOKU_KOSEI_GROUP;"));
    line(QString());
    if (version802())
        writeRows(BlockOf("KAMOKU_KOSEI_GROUP"));
    line(QStringLiteral("DELETE FROM KAMOKU_KOSEI_GROUP WHERE (FGNAME='未払金／未払費用');"));
}
