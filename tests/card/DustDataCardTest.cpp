// The Dust Data Card drawn to PDF on the offscreen platform and read back with pdftotext, as an
// office reading the printout would: every text there in reading order, nothing off the page and
// nothing printed over anything else. Then orvoctl's two ways to the card.

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "DustDataCardPdf.h"
#include "OrvoctlRun.h"
#include "TempDir.h"
#include "download/DisplayTable.h"
#include "platform/TimeZoneSource.h"
#include "results/CardContent.h"

namespace {

using namespace orvo;
using namespace orvo::test;

const std::string kCubed = "\xC2\xB3";

struct Word {
    double xMin, yMin, xMax, yMax;
    std::string text;
};

struct PdfPage {
    double width = 0, height = 0;
    std::vector<Word> words;
};

RunResult PdfToText(const std::string& pdfPath, const std::string& mode) {
    return RunProcess({ORVO_PDFTOTEXT, mode, pdfPath, "-"});
}

// Runs of blanks and line ends as one blank: what is left is the reading order.
std::string Collapsed(const std::string& text) {
    std::istringstream in(text);
    std::string word, out;
    while (in >> word)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

// Each expected text after the one before it; names the first that is missing.
void ExpectInOrder(const std::string& layoutText, const std::vector<std::string>& expected) {
    const std::string text = Collapsed(layoutText);
    size_t at = 0;
    for (const std::string& want : expected) {
        const size_t found = text.find(Collapsed(want), at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: \"" << want << "\"\n" << layoutText;
        at = found + Collapsed(want).size();
    }
}

PdfPage ReadWords(const std::string& bboxHtml) {
    PdfPage page;
    static const std::regex pageRe(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
    static const std::regex wordRe(
        R"re(<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">([^<]*)</word>)re");
    std::smatch m;
    if (std::regex_search(bboxHtml, m, pageRe)) {
        page.width = std::stod(m[1]);
        page.height = std::stod(m[2]);
    }
    for (auto it = std::sregex_iterator(bboxHtml.begin(), bboxHtml.end(), wordRe);
         it != std::sregex_iterator(); ++it)
        page.words.push_back(
            {std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4]), (*it)[5]});
    return page;
}

// Every word inside the half-inch margins, and no two words on top of each other.
void ExpectLaidOutWithinMargins(const PdfPage& page) {
    ASSERT_GT(page.width, 0);
    ASSERT_FALSE(page.words.empty());
    const double margin = 36.0 - 0.5; // half an inch in points, less rounding
    for (const Word& w : page.words)
        EXPECT_TRUE(w.xMin >= margin && w.yMin >= margin && w.xMax <= page.width - margin &&
                    w.yMax <= page.height - margin)
            << w.text;
    for (auto a = page.words.begin(); a != page.words.end(); ++a)
        for (auto b = a + 1; b != page.words.end(); ++b) {
            const double across = std::min(a->xMax, b->xMax) - std::max(a->xMin, b->xMin);
            const double down = std::min(a->yMax, b->yMax) - std::max(a->yMin, b->yMin);
            EXPECT_FALSE(across > 0.5 && down > 0.5) << "\"" << a->text << "\" over \"" << b->text << "\"";
        }
}

// Start 2023-11-14 17:13:20 EST, eight hours; 32-character names, the widest a monitor keeps.
const std::string kWideName(32, 'W');
std::string Entry(int type) {
    return "1700000000,1700028800,3,1000,W123,1234567,ABC," + kWideName + "," + kWideName + "," +
           std::to_string(type) + ",12,36,M12345678,M00000042";
}

struct CardCase {
    const char* name;
    std::string entry;
    DisplayTable table;
    ShiftInformation info;
    std::vector<std::string> inOrder;
    std::vector<std::string> absent;
};

// Seven status events, both graphs (0.02..0.35 and 0..2.3), a multi-unit shift and 255
// characters of notes: the fullest card there is.
CardCase FullCard() {
    CardCase c{"seven events", Entry(5), {}, {}, {}, {}};
    c.table.header = "1699999990,2,149,1,150,2.000000";
    c.table.columns = {110, 111};
    for (uint32_t i = 0; i <= 16; ++i) {
        const double thirty = i == 3 ? 0.02 : i == 9 ? 0.35 : 0.1 + 0.01 * i;
        c.table.rows.push_back(
            {1700000000 + 1800 * i, {std::to_string(thirty), std::to_string(2.3 * i / 16)}});
    }
    const char* texts[] = {"TE NOT DETECTED",      "HIGH FILTER LOAD", "FLOW OUT OF RANGE", "MASS OFFSET",
                           "TE TEMP OUT OF RANGE", "CPU FAULT",        "POWER LOW"};
    for (uint32_t i = 0; i < 7; ++i)
        c.table.events.push_back({1700000000 + 600 * i, texts[i]});
    c.table.finalConcentration = "1.234 mg/m" + kCubed;
    std::string notes = "Belt B-2 down two hours; ";
    while (notes.size() < 255)
        notes += "WIDE WORDS MAKE WRAPPING WORK ";
    c.info = {.averageTons = "1200",
              .tonsThisShift = "45",
              .notes = notes.substr(0, 255),
              .certifiedMiin = "M87654321",
              .multiUnit = true,
              .firstUnitSerial = "ORVO0012345",
              .secondUnitSerial = "ORVO0012346"};

    c.inOrder = {
        "Dust Data Card:  (Serial Number  ORVO0099999)", "Wearer ID", "Mine ID Number", "W123", "1234567",
        "Contractor Code", "Mine Name", "ABC", kWideName, "Company Name", "Date Sampled", kWideName,
        "Tuesday, November 14, 2023, 17:13:20", "Sampling Time (minutes)", "Type of Sample", "480",
        "(5) Part 90 Miner", "MMU DA/SA", "Occ Code", "0012", "036", "Part 90 Miner Sampled MIIN",
        "Certified Person MIIN", "M12345678", "M87654321", "Results", "Status Conditions",
        "11/14/2023 17:13:20 - TE NOT DETECTED", "11/14/2023 17:23:20 - HIGH FILTER LOAD",
        "11/14/2023 17:33:20 - FLOW OUT OF RANGE", "11/14/2023 17:43:20 - MASS OFFSET",
        "11/14/2023 17:53:20 - TE TEMP OUT OF RANGE", "(More conditions exist...)", "MRE Equivalent: Yes",
        "Respirable Dust Standard: 2.00 mg/m" + kCubed, "EOS Final Concentration: 1.234 mg/m" + kCubed,
        "30 Minute Mass Concentration (mg/m" + kCubed + ")",
        "Cumulative Mass Concentration (mg/m" + kCubed + ")",
        // The two value axes side by side, top down: 0.35 gives steps of 0.1, 2.3 of 0.75.
        "0.40", "3.00", "0.30", "2.25", "0.20", "1.50", "0.10", "0.75", "0.00", "0.00", "17:13", "11/14/2023",
        "Tonnage", "Average Tons - 30 Shifts: 1200 tons", "Multi-unit Shift: Yes", "Tons This Shift: 45 tons",
        "First: ORVO0012345", "Second: ORVO0012346", "Notes:"};
    std::istringstream words(c.info.notes);
    for (std::string word; words >> word;)
        c.inOrder.push_back(word);
    c.inOrder.push_back("NOTICE - Knowingly making any false statement, representation, or certification on "
                        "this document is");
    c.inOrder.push_back("a violation of the federal criminal code which may be punished by a fine or by "
                        "imprisonment or both.");
    c.absent = {"CPU FAULT", "POWER LOW", "(None)", "(No Data)"};
    return c;
}

// No events, a flat 30-minute graph of three rows and no cumulative column.
CardCase EmptyCard() {
    CardCase c{"no events", Entry(1), {}, {}, {}, {}};
    c.table.header = "1699999990,0";
    c.table.columns = {110};
    for (uint32_t i = 0; i < 3; ++i)
        c.table.rows.push_back({1700000000 + 60 * i, {"0.000000"}});
    c.inOrder = {"Part 90 Miner Sampled MIIN", "Certified Person MIIN", "(N/A)", "Status Conditions",
                 "(None)", "MRE Equivalent: (Unknown)", "Respirable Dust Standard: (Unknown)",
                 "EOS Final Concentration:", "30 Minute Mass Concentration (mg/m" + kCubed + ")", "(No Data)",
                 // All zero: from -0.025 in steps of 0.025, as "%.2f".
                 "0.08", "0.05", "0.03", "0.00", "-0.03",
                 // Fewer than five rows: the seconds too.
                 "17:13:20", "11/14/2023", "Tonnage", "Average Tons - 30 Shifts: 0 tons",
                 "Multi-unit Shift: No", "Tons This Shift: 0 tons", "Notes:", "NOTICE - Knowingly",
                 "imprisonment or both."};
    c.absent = {"(More conditions exist...)", "First:", "M12345678"};
    return c;
}

TEST(DustDataCard, EveryTextInReadingOrderAndWithinTheMarginsOnLetterAndA4) {
    const TempDir dir;
    const FixedTimeZone newYork(300, false); // the cards' times are in November
    for (const CardCase& c : {FullCard(), EmptyCard()}) {
        const CardContent card = BuildCardContent(c.entry, c.table, "ORVO0099999", c.info, false, newYork);
        for (const CardPaper paper : {CardPaper::Letter, CardPaper::A4}) {
            const bool a4 = paper == CardPaper::A4;
            SCOPED_TRACE(std::string(c.name) + (a4 ? ", A4" : ", Letter"));
            const QByteArray pdf = RenderDustDataCardPdf(card, paper, newYork);
            const std::string path = dir.Write("card.pdf", pdf.toStdString());
            const RunResult layout = PdfToText(path, "-layout");
            ASSERT_EQ(layout.exitCode, 0)
                << ORVO_PDFTOTEXT << " (poppler-utils, scripts/install-deps): " << layout.err;
            ExpectInOrder(layout.out, c.inOrder);
            for (const std::string& text : c.absent)
                EXPECT_EQ(layout.out.find(text), std::string::npos) << text;

            const PdfPage page = ReadWords(PdfToText(path, "-bbox").out);
            EXPECT_NEAR(page.width, a4 ? 595.3 : 612.0, 0.5);
            EXPECT_NEAR(page.height, a4 ? 841.9 : 792.0, 0.5);
            ExpectLaidOutWithinMargins(page);
        }
    }
}

const std::string kImported = std::string(ORVO_GOLDEN_DIR) + "/imported-valid.MSHA";

TEST(OrvoctlCard, ImportedFileGetsTheDataImportCard) {
    const TempDir dir;
    const std::string target = dir / "card.pdf";
    const RunResult run = RunOrvoctl({"card", kImported, "--pdf", target, "--paper", "A4"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "card: " + target + "\n");
    const RunResult text = PdfToText(target, "-layout");
    ExpectInOrder(text.out,
                  {"Dust Data Card:  (Serial Number  ORV1234567)", "(E) Engineering Study",
                   // The entry's own texts, not padded numbers; its certified person.
                   "MMU DA/SA", "Occ Code", "0010", "7", "Certified Person MIIN", "(N/A)", "M00000042",
                   "03/05/2024 08:01:00 - TE NOT DETECTED", "EOS Final Concentration: 0.040 mg/m" + kCubed,
                   "(No Data)", "Cumulative Mass Concentration", "Average Tons - 30 Shifts: 1200 tons",
                   "Tons This Shift: 1150 tons", "Belt, \"B-2\" down"});
}

TEST(OrvoctlCard, DownloadSendsOnlyTheCardToStandardOutput) {
    const RunResult run = RunOrvoctl({"--demo", "download", "1", "--notes", "Roof bolted, east panel",
                                      "--certified-miin", "M12345678", "--card-pdf", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(run.out.rfind("%PDF-", 0), 0u) << run.out.substr(0, 200);
    EXPECT_NE(run.err.find("records: "), std::string::npos) << "the summary belongs on stderr now";
    const TempDir dir;
    const RunResult text = PdfToText(dir.Write("card.pdf", run.out), "-layout");
    ExpectInOrder(text.out,
                  {"Dust Data Card:", "(2) Other Designated Occupation", "M12345678", "Status Conditions",
                   "Multi-unit Shift: No", "Roof bolted, east panel", "NOTICE - Knowingly"});
}

} // namespace

int main(int argc, char** argv) {
    // Fonts need a gui application; no display is needed for PDFs.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
