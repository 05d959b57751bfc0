// Memory running out in the middle of a command: this suite replaces the
// global allocator so that the n-th large allocation fails, for every n in
// turn. The window must report it, keep running, and hold the original text or
// a finished stage, never a broken one.
#include "core/conversion.h"
#include "ui/main_window.h"
#include "window_fixture.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <new>

namespace {

// Only the commands' whole-text buffers are this large; Qt keeps its own text
// in malloc'd storage, so the toolkit never sees the failures.
constexpr std::size_t Large = 1 << 20;
int largeAllocationsUntilFailure = -1; // -1: never fail
bool allocationFailed = false;

} // namespace

void* operator new(std::size_t size)
{
    if (size >= Large && largeAllocationsUntilFailure >= 0 && largeAllocationsUntilFailure-- == 0) {
        allocationFailed = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace Qt::StringLiterals;
using tagwell::Text;

class TestOutOfMemory : public QObject {
    Q_OBJECT

    struct Window : FakeDesktopWindow {
        Text text() { return form.document().text(); }
    };

    // Clicks `button` with the n-th large allocation failing, for n = 0, 1, …
    // until the click gets through; `check` looks at each outcome.
    template <class Check>
    void failEachAllocation(const Text& start, const Text& clipboard, const char* button, Check check)
    {
        for (int n = 0;; ++n) {
            Window w;
            w.form.document().setText(start);
            w.form.document().commit();
            w.clipboard.content = clipboard;
            auto* click = w.form.findChild<QPushButton*>(QString::fromLatin1(button));
            allocationFailed = false;
            largeAllocationsUntilFailure = n;
            click->click();
            largeAllocationsUntilFailure = -1;
            check(w, allocationFailed);
            if (!allocationFailed)
                break;
            QCOMPARE(w.failures.size(), 1);
            QVERIFY(w.failures[0].contains(u"Out of memory"_s));
        }
    }

private slots:
    void convertKeepsAFinishedStage()
    {
        const Text input = u"<pre>" + Text(600000, u'a') + u"<b> & c</pre>";
        const std::vector<Text> stages = {
            input,
            Text(600000, u'a') + u"<b> & c",
            Text(600000, u'a') + u"&lt;b> & c",
            Text(600000, u'a') + u"&lt;b&gt; & c",
            u"<pre>" + Text(600000, u'a') + u"&lt;b&gt; & c</pre>",
        };
        failEachAllocation(input, {}, "ZhuanHuan", [&](Window& w, bool failed) {
            const Text now = w.text();
            QVERIFY(std::find(stages.begin(), stages.end(), now) != stages.end());
            QCOMPARE(w.form.WenBen->toPlainText().toStdU16String(), now);
            if (!failed)
                QCOMPARE(now, stages.back());
            // The program goes on: the next Convert finishes the job.
            w.form.ZhuanHuan->click();
            QCOMPARE(w.text(), tagwell::convertText<char16_t>(now, tagwell::CheckState::Checked));
        });
    }

    void pasteAndCopyKeepTheText()
    {
        const Text before = u"before";
        const Text big(700000, u'x');
        failEachAllocation(before, big, "ZhanTie",
                           [&](Window& w, bool failed) { QCOMPARE(w.text(), failed ? before : big); });
        failEachAllocation(big, u"old", "FuZhi", [&](Window& w, bool failed) {
            QCOMPARE(w.text(), big);
            QCOMPARE(w.clipboard.content, failed ? Text(u"old") : big);
        });
    }
};

QTEST_MAIN(TestOutOfMemory)
#include "tst_out_of_memory.moc"
