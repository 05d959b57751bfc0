// The commands against fake controls: what each reads and writes, where it
// stops when something fails, and run(), which turns every failure into the
// user's message and commits whatever happened.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include "core/commands.h"
#include "core/conversion.h"
#include "core_test.h"
#include "edits.h"
#include "fakes.h"

#include <new>

using namespace tagwell;

namespace {

struct Desk {
    FakeTextArea area;
    FakeCheckBox box{CheckState::Checked};
    FakeClipboard clipboard;
    FakeLauncher launcher;

    explicit Desk(Text text, int failAt = -1) : area(std::move(text), failAt) {}
    std::optional<std::u16string> click(Command command) { return run(command, {area, box, clipboard, launcher}); }
};

} // namespace

// The box is read first, then the text, and the result written once.
TEST_CASE("Convert reads the box, then the text, and writes the result once")
{
    for (const CheckState state : {CheckState::Unchecked, CheckState::Checked, CheckState::Grayed}) {
        CAPTURE(int(state));
        FakeTextArea area(u"<pre>a<b></pre>");
        convert(area, FakeCheckBox(state));
        CHECK(area.calls == 2);
        CHECK(area.writes == std::vector<Text>{state == CheckState::Checked
                                                   ? u"<pre>a&lt;b&gt;</pre>"
                                                   : u"<pre>&lt;pre&gt;a&lt;b&gt;&lt;/pre&gt;</pre>"});
    }
}

// A failure at the box, the read or the write leaves the text as it was,
// and nothing runs after it.
TEST_CASE("a failing Convert leaves the text")
{
    const Text input = u"<pre>x<y></pre>";
    for (int failAt = -1; failAt < 2; ++failAt) {
        CAPTURE(failAt);
        FakeTextArea area(input, failAt);
        CHECK_THROWS_AS(convert(area, FakeCheckBox(CheckState::Checked, failAt == -1)), InjectedFailure);
        CHECK(area.current() == input);
        CHECK(area.writes.empty());
    }
}

TEST_CASE("Paste replaces the whole text, or keeps it when the clipboard fails")
{
    Desk desk(u"old text");
    desk.clipboard.content = u"new\r\n<text>";
    CHECK(desk.click(Command::Paste) == std::nullopt);
    CHECK(desk.area.current() == u"new\r\n<text>");

    desk.clipboard.content.clear(); // a clipboard with no text
    desk.click(Command::Paste);
    CHECK(desk.area.current() == Text());

    Desk failing(u"keep me");
    failing.clipboard.failReads = true;
    CHECK(failing.click(Command::Paste).has_value());
    CHECK(failing.area.current() == u"keep me");
    CHECK(failing.area.writes.empty());
}

TEST_CASE("Copy puts the whole text once, or leaves the text area when it fails")
{
    for (const Text& text : {Text(u"a<b>\nc"), Text()}) {
        Desk desk(text);
        desk.clipboard.content = u"previous";
        CHECK(desk.click(Command::Copy) == std::nullopt);
        CHECK(desk.clipboard.content == text);
        CHECK(desk.clipboard.sets == 1);
        CHECK(desk.area.writes.empty());
    }
    Desk failing(u"text");
    failing.clipboard.failWrites = true;
    CHECK(failing.click(Command::Copy).has_value());
    CHECK(failing.area.current() == u"text");
    CHECK(failing.area.writes.empty());
}

TEST_CASE("Clear empties, Help opens the page and touches nothing else")
{
    for (const Text& text : {Text(u"some text"), Text()}) {
        Desk desk(text);
        desk.click(Command::Clear);
        CHECK(desk.area.writes == std::vector<Text>{Text()});
    }
    Desk desk(u"text");
    desk.clipboard.content = u"clip";
    desk.click(Command::OpenHelp);
    desk.click(Command::OpenHelp);
    CHECK(desk.launcher.opened == std::vector<std::u16string>(2, u"https://tagwell.example.org/apps/soft/?tagwell"));
    CHECK(desk.area.calls == 0);
    CHECK(desk.clipboard.content == u"clip");
}

// Each kind of failure reaches the user as its own message, Chinese first,
// and the text area is committed all the same.
TEST_CASE("run() gives each failure its message and always commits")
{
    struct Case {
        const char* name;
        Command command;
        std::function<void(Desk&)> arrange;
        std::u16string message;
    };
    const Case cases[] = {
        {"clipboard unreadable", Command::Paste,
         [](Desk& d) { d.clipboard.whileReading = [] { throw PlatformError(Failure::ClipboardUnreadable); }; },
         u"无法读取剪贴板。\nThe clipboard could not be read."},
        {"clipboard unwritable", Command::Copy,
         [](Desk& d) { d.clipboard.whileWriting = [] { throw PlatformError(Failure::ClipboardUnwritable); }; },
         u"无法写入剪贴板。\nThe clipboard could not be written."},
        {"no browser", Command::OpenHelp, [](Desk& d) { d.launcher.outcome = FakeLauncher::Outcome::FailsAtOnce; },
         u"无法打开浏览器。请手动访问：\nhttps://tagwell.example.org/apps/soft/?tagwell\n\n"
         u"No web browser could be started. Please open the address above by hand."},
        {"out of memory", Command::Paste, [](Desk& d) { d.clipboard.whileReading = [] { throw std::bad_alloc(); }; },
         u"内存不足，操作未完成。文本保留为最后完成的步骤。\n"
         u"Out of memory: the command stopped; the text is as its last finished step left it."},
        {"anything else, in its own words", Command::Copy, [](Desk& d) { d.clipboard.failWrites = true; },
         u"操作失败。\nThe command failed: clipboard write failed"},
        {"no failure", Command::Convert, [](Desk&) {}, u""},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Desk desk(u"text");
        c.arrange(desk);
        const std::optional<std::u16string> message = desk.click(c.command);
        CHECK(message.value_or(u"") == c.message);
        CHECK(desk.area.commits == 1);
    }
}

// Convert plans its edits in place where the text area has costs for them:
// the plan it hands over makes the result of the text it read.
TEST_CASE("Convert hands the text area a plan of its text")
{
    const Text text = u"<pre>int a<b;</pre>\r\n" + Text(2000, u'x') + u"c>d";
    FakeTextArea area(text);
    area.costs = InPlaceCosts{100, 16 * 1024};
    convert(area, FakeCheckBox(CheckState::Checked));
    REQUIRE(area.plans.size() == 1);
    CHECK(!area.plans[0].inPlace.empty());
    CHECK(area.current() == convertText<char16_t>(text, CheckState::Checked));
    CHECK(applyReplacements(text, area.plans[0]) == std::optional(area.current()));
}

TEST_CASE("Convert replaces the whole text where the text area has no costs for edits in place")
{
    const Text text = u"a<b>" + Text(1000, u'x');
    FakeTextArea area(text);
    convert(area, FakeCheckBox(CheckState::Checked));
    CHECK(area.plans.empty());
    CHECK(area.writes == std::vector{convertText<char16_t>(text, CheckState::Checked)});
}
