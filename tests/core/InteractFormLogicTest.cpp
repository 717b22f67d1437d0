// The register form's rules without a window: the load after connecting and its progress, the
// rolling refresh, Reload All, who may write what, the serial number checks, value parsing,
// templates, export, import and factory defaults. The monitor's answers are played by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FormTestSupport.h"
#include "ServiceTestSupport.h"
#include "forms/InteractFormLogic.h"

using namespace orvo;

namespace {

// Answers every question, Yes/No/Cancel ones too, with `answer`.
struct Messages : test::ScriptedMessages {
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageIcon icon,
                       MessageButtons buttons) override {
        ScriptedMessages::Show(text, caption, icon, buttons);
        return answer;
    }
};

struct FakeView : IInteractFormView {
    bool connected = false, serialGroup = false, valueReadOnly = true, busy = false, exportReady = false;
    int columnsCreated = 0, focusValue = 0, progressMax = 0, progressPos = 0;
    std::string serial, templateName, value, path, proposedExport;
    std::vector<int> rows;
    InteractControls enabled{};

    void ShowConnection(bool c) override { connected = c; }
    void ShowSerialNumber(const std::string& t) override { serial = t; }
    void EnableSerialGroup(bool e) override { serialGroup = e; }
    void CreateColumns() override { ++columnsCreated; }
    void ClearRows() override { rows.clear(); }
    void AppendRow(int n, const RegisterRow&) override { rows.push_back(n); }
    void UpdateRow(int, const RegisterRow&) override {}
    void FitColumns() override {}
    void ShowDetail(const RegisterDetail& d, bool withValue) override {
        if (withValue)
            value = d.value;
    }
    void BlankDetail(const std::string& t, bool) override { value = t; }
    bool ValueEditBusy() const override { return busy; }
    void ReleaseValueEdit() override { busy = false; }
    void SetValueReadOnly(bool r) override { valueReadOnly = r; }
    void FocusValueEdit() override { ++focusValue; }
    void SetProgress(int m, int p) override { progressMax = m, progressPos = p; }
    void EnableControls(const InteractControls& e) override { enabled = e; }
    void ShowTemplateName(const std::string& t) override { templateName = t; }
    void ShowTemplatePath(const std::string&) override {}
    std::string AskTemplateSavePath() override { return path; }
    std::string AskTemplateOpenPath() override { return path; }
    std::string AskExportPath(const std::string& proposed) override {
        proposedExport = proposed;
        return path;
    }
    std::string AskImportPath() override { return path; }
    void ExportReady() override { exportReady = true; }

    bool Enabled(InteractControl c) const { return enabled[Index(c)]; }
};

constexpr float kNew = 7.0f, kOld = 6.5f;

// A form on its own document; the document tells it of every change, as it tells a window.
struct Rig : IDocView {
    VirtualClock clock;
    FixedTimeZone zone{300, false};
    NullMessageSink sink;
    COrvodeskDoc doc{clock, zone, sink};
    RequestRecorder io;
    FakeView view;
    Messages messages;
    InteractFormLogic logic{doc, io, view, messages};
    size_t answered = 0; // requests already answered by Answer()

    explicit Rig(AccessMode mode = ACCESS_EXPERT, bool fullList = true, float firmware = 0) {
        doc.BeginConnection(mode == ACCESS_EXPERT ? "expert" : mode == ACCESS_SERVICE ? "service" : "");
        logic.SetFullList(fullList);
        doc.AddView(this);
        logic.InitialUpdate();
        if (firmware)
            Loaded(firmware);
    }
    ~Rig() override { doc.RemoveView(this); }
    void OnDocUpdate(uint32_t flags, intptr_t value) override { logic.Update(flags, value); }

    void Connect(float firmware) { test::ReportStatus(doc, firmware, STATE_STOPPED); }
    // The monitor answers one register.
    void Register(int n, double value) {
        doc.Registers().SetValue(n, value);
        doc.UpdateViews(UPDATE_REGISTER, n);
    }
    // The monitor answers the register reads asked for so far, and those they lead to, up to `limit`.
    void Answer(size_t limit = 100000) {
        for (size_t done = 0; answered < io.sent.size() && done < limit; ++answered) {
            const RecordedRequest r = io.sent[answered];
            if (r.kind != "read-full")
                continue;
            doc.UpdateViews(UPDATE_REGISTER, r.numbers.at(0));
            ++done;
        }
    }
    void Loaded(float firmware) {
        Connect(firmware);
        Answer(InitialLoadRange(true, true));
        ASSERT_FALSE(logic.InitialLoadPending());
        io.Clear();
        answered = 0;
    }
    std::vector<int> FullReads() const {
        std::vector<int> out;
        for (const RecordedRequest& r : io.sent)
            if (r.kind == "read-full")
                out.push_back(r.numbers.at(0));
        return out;
    }
};

using Lines = std::vector<std::string>;

std::vector<int> Range(int first, int end) {
    std::vector<int> out;
    for (int n = first; n < end; ++n)
        out.push_back(n);
    return out;
}

} // namespace

TEST(InteractFormLogic, LoadAfterConnectingListsRegistersUpTo182WithItsProgress) {
    struct Case {
        bool fullList;
        int first, again;
    };
    for (const Case c : {Case{true, 367, 183}, Case{false, 34, 17}}) {
        Rig rig(ACCESS_EXPERT, c.fullList);
        EXPECT_FALSE(rig.view.connected);
        rig.Connect(kOld);
        EXPECT_TRUE(rig.view.connected);
        EXPECT_EQ(rig.view.rows, Range(0, 183)) << "register 183 is not listed by this fill";
        EXPECT_EQ(rig.FullReads(), Range(0, 183));
        EXPECT_EQ(rig.io.sent.back().kind, "template-name?");
        EXPECT_EQ(rig.view.progressMax, c.first);
        EXPECT_TRUE(rig.logic.InitialLoadPending());
        EXPECT_EQ(rig.view.enabled, InteractControls{}) << "everything waits for the load";

        rig.Answer(20);
        EXPECT_EQ(rig.FullReads().size(), 183u) << "the refresh waits for the load's answers";
        rig.Answer(size_t(c.first) - 21);
        EXPECT_TRUE(rig.logic.InitialLoadPending());
        rig.Answer(1);
        EXPECT_FALSE(rig.logic.InitialLoadPending());
        EXPECT_EQ(rig.view.progressPos, c.first);
        EXPECT_TRUE(rig.view.Enabled(InteractControl::ReloadAll));
        EXPECT_TRUE(rig.view.Enabled(InteractControl::LoggingSet)) << "expert mode";
        rig.logic.ReloadAll(); // every register, or those of the short list
        EXPECT_EQ(rig.view.progressMax, c.fullList ? PRC_COUNT : 18);
        EXPECT_FALSE(rig.view.Enabled(InteractControl::Export));
        rig.Answer();
        EXPECT_FALSE(rig.logic.ReloadPending());

        // A lost link leaves the rows; Reload All asks nothing; the next connection loads again, its
        // columns already made.
        rig.doc.OnLinkLost();
        EXPECT_FALSE(rig.view.connected);
        rig.io.Clear();
        rig.logic.ReloadAll();
        EXPECT_TRUE(rig.io.sent.empty());
        EXPECT_EQ(rig.view.rows.size(), size_t(PRC_COUNT)) << "no duplicate rows without a monitor";
        rig.Connect(kOld);
        EXPECT_EQ(rig.view.progressMax, c.again);
        EXPECT_EQ(rig.view.columnsCreated, 1);
    }
}

TEST(InteractFormLogic, TheRefreshReadsRowAfterRowOneAtATime) {
    Rig rig;
    rig.Loaded(kOld);
    rig.logic.ReloadAll(); // 184 rows
    rig.Answer(PRC_COUNT);
    ASSERT_FALSE(rig.logic.ReloadPending());

    // Answers for what the refresh did not ask for (a graph window's fifteen registers, say)
    // queue nothing: the refresh keeps one read in flight.
    std::vector<int> asked = rig.FullReads();
    ASSERT_FALSE(asked.empty());
    rig.io.Clear();
    rig.answered = 0;
    for (int n = 60; n < 75; ++n)
        if (n != asked.back())
            rig.Register(n, 1.0);
    EXPECT_TRUE(rig.io.sent.empty());

    // Its own answers lead it down the list; the bottom goes round to row 1, row 0 is not read.
    std::vector<int> order;
    int next = asked.back();
    for (int i = 0; i < 2 * PRC_COUNT; ++i) {
        rig.Register(next, 0.0);
        ASSERT_EQ(rig.io.sent.size(), size_t(i + 1));
        next = rig.io.sent.back().numbers.at(0);
        order.push_back(next);
    }
    const auto bottom = std::find(order.begin(), order.end(), 183);
    ASSERT_LT(bottom + 2, order.end());
    EXPECT_EQ(std::vector<int>(bottom - 1, bottom + 3), (std::vector<int>{182, 183, 1, 2}));
    EXPECT_EQ(std::count(order.begin(), order.end(), 0), 0);
}

// Who may write which register, and a typed value taken whole or refused with a message; what was
// typed then survives the monitor's next answer.
TEST(InteractFormLogic, ValuesAreWrittenByWhoMayAndParsedWhole) {
    struct Case {
        AccessMode mode;
        float firmware;
        int number;
        const char* text;
        const char* sent;    // nullptr: nothing goes out
        const char* message; // nullptr: none (a row that cannot be edited)
    };
    const char* digits = "Please enter the Serial Number in seven digits or less (numeric only)!";
    const char* flow = "Please enter a number for FLOW RATE SET PT.";
    const char* warmup = "Please enter a number for SHIFT WARMUP TIME.";
    const Case cases[] = {
        {ACCESS_EXPERT, kOld, 96, "15000", "write 96=15000", nullptr}, // MASS K0: read-only, experts may
        {ACCESS_EXPERT, kOld, 97, "15000", nullptr, nullptr},          // MASS F0: read-only
        {ACCESS_EXPERT, kNew, 1, "15000", nullptr, nullptr}, // newer firmware: the Serial Number group only
        {ACCESS_SERVICE, kOld, 12, "15000", nullptr, nullptr},
        {ACCESS_STANDARD, kNew, 96, "15000", nullptr, nullptr},
        // Older firmware keeps the serial number in register 1.
        {ACCESS_EXPERT, kOld, 1, "12345678", nullptr, digits},
        {ACCESS_EXPERT, kOld, 1, "12a", nullptr, digits},
        {ACCESS_EXPERT, kOld, 1, "1234567", "write 1=1234567", nullptr},
        {ACCESS_EXPERT, kOld, 1, "", nullptr, "Please enter a number for SERIAL NUMBER."},
        {ACCESS_EXPERT, kOld, 72, "abc", nullptr, flow},
        {ACCESS_EXPERT, kOld, 72, "2.5x", nullptr, flow},
        {ACCESS_EXPERT, kOld, 72, "1e39", nullptr, flow},
        {ACCESS_EXPERT, kOld, 72, " 2.2 ", "write 72=2.2", nullptr},
        {ACCESS_EXPERT, kOld, 12, "-5", nullptr, warmup},
        {ACCESS_EXPERT, kOld, 12, "4294967296", nullptr, warmup},
        {ACCESS_EXPERT, kOld, 12, "1800", "write 12=1800", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.number) + " '" + c.text + "' mode " + std::to_string(c.mode));
        Rig rig(c.mode, true, c.firmware);
        rig.logic.SelectRow(c.number); // rows follow register numbers here
        const bool editable = c.sent || c.message;
        EXPECT_EQ(!rig.view.valueReadOnly, editable);
        EXPECT_EQ(rig.view.Enabled(InteractControl::ValueSet), editable);
        rig.view.busy = true; // typed
        rig.logic.SetValue(c.text);
        EXPECT_EQ(rig.io.Lines(), c.sent ? Lines{c.sent} : Lines{});
        EXPECT_EQ(rig.view.busy, !c.sent) << "after a write the answer may show again";
        EXPECT_EQ(rig.messages.Texts(), c.message ? Lines{c.message} : Lines{});
        if (!c.message)
            continue;
        EXPECT_EQ(rig.view.focusValue, 1);
        rig.view.value = c.text;
        rig.Register(c.number, 3.0);
        EXPECT_EQ(rig.view.value, c.text);
    }
}

TEST(InteractFormLogic, SerialNumberGroupRefusesFileNameCharactersAndSendsUpperCase) {
    Rig rig(ACCESS_EXPERT, true, kNew);
    EXPECT_TRUE(rig.view.serialGroup && rig.view.Enabled(InteractControl::SerialEntry));
    rig.logic.SetSerialNumber("orv/12");
    EXPECT_TRUE(rig.io.sent.empty());
    EXPECT_EQ(rig.messages.Texts(),
              Lines{"The following characters can not be used in a serial number:\n\\ / : * ? \" < > |"});
    EXPECT_EQ(rig.messages.shown[0].caption, "Serial Number Error");
    EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Stop);
    rig.logic.SetSerialNumber("orv12b");
    EXPECT_EQ(rig.io.Lines(), Lines{"serial-text ORV12B"});

    Rig service(ACCESS_SERVICE, true, kNew);
    EXPECT_TRUE(service.view.serialGroup);
    EXPECT_FALSE(service.view.Enabled(InteractControl::SerialEntry)) << "expert mode only";
    EXPECT_FALSE(Rig(ACCESS_EXPERT, true, kOld).view.serialGroup);
}

TEST(InteractFormLogic, NineByteTemplateSendsEveryRegisterAndFollowsTheAnswers) {
    test::TempFolder folder;
    Rig rig(ACCESS_EXPERT, true, kOld);
    EXPECT_FALSE(rig.view.Enabled(InteractControl::TemplateSend)) << "nothing chosen yet";
    // Mode 1 (on delta), interval 30, delta 0.5.
    rig.view.path = folder.Write("short.qlt", std::string("\x01\x1e\x00\x00\x00\x00\x00\x00\x3f", 9));
    rig.logic.BrowseTemplate();
    EXPECT_TRUE(rig.view.Enabled(InteractControl::TemplateSend));
    rig.logic.SendTemplate();
    Lines expected = {"logging 0 31 0.5"};
    for (int n = 1; n < PRC_COUNT; ++n)
        expected.push_back("logging " + std::to_string(n) + " 0 0");
    expected.push_back("template-name short.qlt");
    EXPECT_EQ(rig.io.Lines(), expected);
    EXPECT_TRUE(rig.logic.ReloadPending());
    EXPECT_EQ(rig.view.progressMax, PRC_COUNT);

    rig.view.path = folder.File("gone.qlt");
    rig.logic.BrowseTemplate();
    rig.io.Clear();
    rig.logic.SendTemplate();
    EXPECT_TRUE(rig.io.sent.empty());
    EXPECT_EQ(rig.messages.Texts(), Lines{"There was an error opening the template file!"});
}

TEST(InteractFormLogic, ExportWaitsForItsReadsEvenOfListedRegisters) {
    test::TempFolder folder;
    Rig rig(ACCESS_EXPERT, true, kNew);
    rig.doc.SetSerialText("ORV7/1");
    rig.logic.Export();
    const std::vector<int> asked{1, 75, 76, 128, 129, 131, 132, 133, 134, 183};
    EXPECT_EQ(rig.FullReads(), asked);
    EXPECT_EQ(rig.view.progressMax, 10);

    const double values[] = {0, 7.5, -0.25, -0.05, 0.001, 63.5, 49.75, 66.25, 47.5, 1};
    for (size_t i = 0; i < asked.size(); ++i) {
        EXPECT_FALSE(rig.view.exportReady) << "before the answer for " << asked[i];
        rig.Register(asked[i], values[i]);
    }
    EXPECT_TRUE(rig.view.exportReady);
    EXPECT_FALSE(rig.logic.ExportPending());

    rig.view.path = folder.File("out.xfg");
    rig.logic.FinishExport();
    EXPECT_EQ(rig.view.proposedExport, "SN_ORV7_1_config") << "a name, never a path";
    EXPECT_EQ(folder.Read("out.xfg"),
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<OrvoML version=\"2.0\">\n"
              "\t<SerialNumber>ORV7/1</SerialNumber>\n"
              "\t<PRCList>\n"
              "\t\t<PRC>\n\t\t\t<Number>75</Number>\n\t\t\t<Value>7.5</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>76</Number>\n\t\t\t<Value>-0.25</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>128</Number>\n\t\t\t<Value>-0.05</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>129</Number>\n\t\t\t<Value>0.001</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>131</Number>\n\t\t\t<Value>63.5</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>132</Number>\n\t\t\t<Value>49.75</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>133</Number>\n\t\t\t<Value>66.25</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>134</Number>\n\t\t\t<Value>47.5</Value>\n\t\t</PRC>\n"
              "\t\t<PRC>\n\t\t\t<Number>183</Number>\n\t\t\t<Value>1</Value>\n\t\t</PRC>\n"
              "\t</PRCList>\n"
              "</OrvoML>\n");

    rig.doc.OnLinkLost();
    rig.io.Clear();
    rig.logic.Export();
    EXPECT_TRUE(rig.io.sent.empty());
    EXPECT_EQ(rig.messages.shown.back().text, "Orvo not connected");
}

TEST(InteractFormLogic, NewerFileIntoOlderFirmwareAsksThenReloadsEverything) {
    test::TempFolder folder;
    const std::string file = "<OrvoML version=\"2.0\"><SerialNumber>ORV9</SerialNumber><PRCList>"
                             "<PRC><Number>75</Number><Value>7.25</Value></PRC></PRCList></OrvoML>";
    for (const bool yes : {false, true}) {
        Rig rig(ACCESS_EXPERT, true, kOld);
        rig.view.path = folder.Write("new.xfg", file);
        rig.messages.answer = yes ? MessageAnswer::Yes : MessageAnswer::No;
        rig.logic.Import();
        ASSERT_FALSE(rig.messages.shown.empty());
        EXPECT_EQ(rig.messages.shown[0].caption, "Orvodesk");
        EXPECT_EQ(rig.io.Count("serial-text"), 0u) << "older firmware never takes the serial text";
        EXPECT_EQ(rig.io.Count("write"), yes ? 1u : 0u);
        EXPECT_EQ(rig.logic.ReloadPending(), yes);
        EXPECT_EQ(rig.view.rows.size(), yes ? size_t(PRC_COUNT) : 183u);
        EXPECT_EQ(rig.io.Writes(), std::vector<RegisterWrites>(yes, {{75, 7.25}}));
    }
}

TEST(InteractFormLogic, FactoryDefaultsOnlyOnYes) {
    for (const MessageAnswer answer : {MessageAnswer::Yes, MessageAnswer::No, MessageAnswer::Cancel}) {
        Rig rig(ACCESS_EXPERT, true, kOld);
        rig.messages.answer = answer;
        rig.logic.FactoryDefaults();
        EXPECT_EQ(rig.messages.Texts(),
                  Lines{"Are you sure you want to reset all logging data and values to factory defaults?"});
        EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Question);
        const bool yes = answer == MessageAnswer::Yes;
        EXPECT_EQ(rig.io.Count("factory-reset"), yes ? 1u : 0u);
        EXPECT_EQ(rig.FullReads(), yes ? std::vector<int>{-1} : std::vector<int>{}) << "-1: every register";
    }
}

TEST(InteractFormLogic, LoggingSetSendsTheCodeOfTheChosenType) {
    const char* interval = "Please enter a number for Interval.";
    const struct {
        int type;
        const char *interval, *delta, *sent, *message; // sent nullptr: refused with the message
    } cases[] = {
        {0, "junk", "0.0", "logging 54 0 0", nullptr},
        {1, "60", "0.1", "logging 54 61 0.1", nullptr},
        {2, "60", "", "logging 54 1 0", nullptr},
        {1, "sixty", "0.1", nullptr, interval},
        {1, "-5", "0.1", nullptr, interval},
        {1, "60", "x", nullptr, "Please enter a number for Delta."},
    };
    for (const auto& c : cases) {
        Rig rig(ACCESS_EXPERT, true, kOld);
        rig.logic.SelectRow(54);
        rig.logic.SetLogging(c.type, c.interval, c.delta);
        EXPECT_EQ(rig.io.Lines(), c.sent ? (Lines{c.sent, "template-name?"}) : Lines{})
            << c.interval << c.delta;
        EXPECT_EQ(rig.messages.Texts(), c.message ? Lines{c.message} : Lines{});
    }
}
