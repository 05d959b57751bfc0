// The window walked at random against a plain model of its text and its
// history: Paste of odd texts, Convert with the box either way, Copy, Clear,
// typing at random places, Undo and Redo by key and by the text area's menu,
// toggles of the box. After every step Copy must give the model's text
// exactly, and the widget must show it; Undo and Redo must reach the model's
// states. Offscreen, seeded: a failure prints the seed and the steps that led
// to it, and a seed that once failed stays in the fixed list below.
//
// TAGWELL_WALK_SEED=N replays one walk; TAGWELL_WALK_STEPS and
// TAGWELL_WALK_SECONDS make the walk longer (make walk).
#include "core/conversion.h"
#include "random_text.h"
#include "text_helpers.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;
using tagwell::Text;

namespace {

// What the widget gives back of a text once the user has edited it: every
// line break one LF, and the characters it takes for breaks one too.
Text bend(const Text& text)
{
    Text bent;
    bent.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        bent += c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 ? u'\n' : c;
    }
    return bent;
}

// The text and its history as a user expects them: each command and each
// typing one step; Undo and Redo move along the steps; a step after an Undo
// drops the ones that Redo had.
struct Model {
    struct State {
        Text text;
        // For a state that typing made: where the typed text ends, in the
        // widget's positions. Qt joins typing that goes on from there into
        // the same step, which the walk does not try.
        std::optional<std::size_t> typedEnd;
    };
    std::vector<State> states{State{}};
    std::size_t at = 0;
    bool checked = true; // the box

    const State& now() const { return states[at]; }
    void step(Text text, std::optional<std::size_t> typedEnd = std::nullopt)
    {
        states.resize(at + 1);
        states.push_back({std::move(text), typedEnd});
        ++at;
    }
    void undo()
    {
        if (at > 0)
            --at;
    }
    void redo()
    {
        if (at + 1 < states.size())
            ++at;
    }
};

Text piecesText(Random& random, bool longer)
{
    static const Text pieces[] = {u"\r\n",
                                  u"\r",
                                  u"\n",
                                  Text(1, u'\0'),
                                  Text(1, char16_t(0xD800)),
                                  Text(1, char16_t(0xDC00)),
                                  u"😀",
                                  u"文本",
                                  u"<pre>",
                                  u"</pre>",
                                  u"<",
                                  u">",
                                  u"&lt;",
                                  u"a",
                                  u"int x;",
                                  u"\t",
                                  u" ",
                                  u"\u2028",
                                  u"\ufeff",
                                  u"<p",
                                  u"</",
                                  u"\u00a0"};
    Text text;
    for (int n = random.bounded(longer ? 12 : 30); n > 0; --n) {
        if (longer)
            text.append(std::size_t(150 + random.bounded(400)), u'x');
        text += pieces[random.bounded(int(std::size(pieces)))];
    }
    return text;
}

class Walk {
public:
    explicit Walk(std::uint64_t seed) : random_(seed) {}

    // Empty when every step matched the model, else what went wrong.
    QString run(int steps)
    {
        for (int step = 0; step < steps; ++step) {
            act();
            QCoreApplication::processEvents(); // as the event loop would between two of a user's actions
            if (const QString fault = check(); !fault.isEmpty())
                return u"step %1: %2\nlast steps:\n%3"_s.arg(step).arg(fault, lastSteps());
        }
        return {};
    }

private:
    void note(const QString& what)
    {
        log_.push_back(what);
        if (log_.size() > 24)
            log_.pop_front();
    }
    QString lastSteps() const
    {
        QStringList lines(log_.begin(), log_.end());
        return lines.join(u'\n');
    }
    static QString shown(const Text& text)
    {
        QString out;
        for (const char16_t c : text) {
            if (c >= 0x20 && c < 0x7F)
                out += QChar(c);
            else
                out += u"\\u%1"_s.arg(uint(c), 4, 16, QChar(u'0'));
        }
        return out;
    }

    // A long text as its start, its end and its length: the log of the last
    // steps stays readable (the seed replays the rest).
    static QString shownShort(const Text& text)
    {
        constexpr std::size_t Ends = 60;
        if (text.size() <= 3 * Ends)
            return shown(text);
        return u"%1 ... %2 (%3 characters)"_s.arg(shown(text.substr(0, Ends)), shown(text.substr(text.size() - Ends)))
            .arg(text.size());
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    void act()
    {
        switch (random_.bounded(12)) {
        case 0:
        case 1: {
            const Text text = piecesText(random_, random_.bounded(5) == 0);
            note(u"paste "_s + shownShort(text));
            w_.clipboard.content = text;
            click(w_.form.ZhanTie);
            return model_.step(text);
        }
        case 2:
        case 3:
            note(model_.checked ? u"convert, box checked"_s : u"convert, box unchecked"_s);
            click(w_.form.ZhuanHuan);
            return model_.step(tagwell::convertText<char16_t>(
                model_.now().text, model_.checked ? tagwell::CheckState::Checked : tagwell::CheckState::Unchecked));
        case 4:
            note(u"clear"_s);
            click(w_.form.QingKong);
            return model_.step({});
        case 5:
            note(u"toggle the box"_s);
            click(w_.form.Pre);
            model_.checked = !model_.checked;
            return;
        case 6:
        case 7:
            return type();
        case 8:
            return undo();
        case 9:
            return redo();
        default:
            note(u"copy"_s);
            return click(w_.form.FuZhi);
        }
    }

    // Somewhere in the text as the widget holds it, never inside a pair of
    // surrogates, nor where the last typing ended.
    std::size_t somewhere(const Text& shownText)
    {
        for (;;) {
            const auto at = std::size_t(random_.bounded(int(shownText.size()) + 1));
            const bool splitsPair = at > 0 && at < shownText.size() && shownText[at - 1] >= 0xD800 &&
                                    shownText[at - 1] < 0xDC00 && shownText[at] >= 0xDC00 && shownText[at] < 0xE000;
            if (!splitsPair && model_.now().typedEnd != at)
                return at;
        }
    }

    void type()
    {
        const Text before = bend(model_.now().text);
        const std::size_t at = somewhere(before);
        QTextCursor cursor = w_.form.WenBen->textCursor();
        cursor.setPosition(int(at));
        w_.form.WenBen->setTextCursor(cursor);
        Text after = before;
        switch (random_.bounded(5)) {
        case 0: {
            note(u"Enter at %1"_s.arg(at));
            QTest::keyClick(w_.form.WenBen, Qt::Key_Return, random_.bounded(2) ? Qt::ShiftModifier : Qt::NoModifier);
            after.insert(at, 1, u'\n');
            return model_.step(after);
        }
        case 1:
            note(u"Ctrl+Tab at %1"_s.arg(at));
            QTest::keyClick(w_.form.WenBen, Qt::Key_Tab, Qt::ControlModifier);
            after.insert(at, 1, u'\t');
            return model_.step(after, at + 1);
        case 2: {
            // Chinese comes through the input method.
            const QString word = random_.bounded(2) ? u"文本"_s : u"中"_s;
            note(u"input method commits %1 at %2"_s.arg(word).arg(at));
            QInputMethodEvent commit;
            commit.setCommitString(word);
            QCoreApplication::sendEvent(w_.form.WenBen, &commit);
            after.insert(at, word.toStdU16String());
            return model_.step(after, at + std::size_t(word.size()));
        }
        default: {
            static const QString letters = u"ab<>/pre &;x"_s;
            QString typed;
            for (int n = 1 + random_.bounded(6); n > 0; --n)
                typed += letters[random_.bounded(int(letters.size()))];
            note(u"type \"%1\" at %2"_s.arg(typed).arg(at));
            QTest::keyClicks(w_.form.WenBen, typed);
            after.insert(at, typed.toStdU16String());
            return model_.step(after, at + std::size_t(typed.size()));
        }
        }
    }

    void historyByMenu(bool undo)
    {
        const std::unique_ptr<QMenu> menu(w_.form.WenBen->createStandardContextMenu());
        for (QAction* action : menu->actions()) {
            if (action->text().remove(u'&').startsWith(undo ? u"Undo"_s : u"Redo"_s)) {
                if (action->isEnabled())
                    action->trigger();
                return;
            }
        }
    }

    void undo()
    {
        if (random_.bounded(3) == 0) {
            note(u"Undo from the menu"_s);
            historyByMenu(true);
        } else {
            note(u"Ctrl+Z"_s);
            QTest::keySequence(w_.form.WenBen, QKeySequence(u"Ctrl+Z"_s));
        }
        model_.undo();
    }

    void redo()
    {
        switch (random_.bounded(3)) {
        case 0:
            note(u"Redo from the menu"_s);
            historyByMenu(false);
            break;
        case 1:
            note(u"Ctrl+Shift+Z"_s);
            QTest::keySequence(w_.form.WenBen, QKeySequence(u"Ctrl+Shift+Z"_s));
            break;
        default:
            note(u"Ctrl+Y"_s);
            QTest::keySequence(w_.form.WenBen, QKeySequence(u"Ctrl+Y"_s));
        }
        model_.redo();
    }

    QString check()
    {
        w_.clipboard.content = u"(not copied)";
        click(w_.form.FuZhi);
        const Text& expected = model_.now().text;
        if (w_.clipboard.content != expected)
            return u"Copy gave\n  %1\nexpected\n  %2"_s.arg(shown(w_.clipboard.content), shown(expected));
        QString raw = w_.form.WenBen->document()->toRawText();
        raw.replace(QChar::ParagraphSeparator, u'\n');
        if (raw.toStdU16String() != bend(expected))
            return u"the widget shows\n  %1\nexpected\n  %2"_s.arg(shown(raw.toStdU16String()), shown(bend(expected)));
        if ((w_.form.Pre->checkState() == Qt::Checked) != model_.checked)
            return u"the box is not as toggled"_s;
        if (!w_.failures.isEmpty())
            return u"a failure: "_s + w_.failures.join(u'\n');
        return {};
    }

    FakeDesktopWindow w_;
    Model model_;
    Random random_;
    std::deque<QString> log_;
};

std::uint64_t environmentNumber(const char* name, std::uint64_t otherwise)
{
    bool ok = false;
    const qulonglong value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : otherwise;
}

} // namespace

class TestWindowWalk : public QObject {
    Q_OBJECT

private slots:
    // Seeds that once found a fault, each walked as far as it went then.
    void fixedSeeds_data()
    {
        QTest::addColumn<qulonglong>("seed");
        QTest::addColumn<int>("steps");
        QTest::newRow("Enter at the very start of a page") << qulonglong(1) << 100;
        QTest::newRow("an Undo right after Enter on an empty page") << qulonglong(1796936797712) << 100;
        QTest::newRow("typing on from what the input method committed") << qulonglong(1796936936997) << 1800;
        QTest::newRow("Redo on past a page that was frozen") << qulonglong(1796945664306) << 1574;
    }

    void fixedSeeds()
    {
        QFETCH(qulonglong, seed);
        QFETCH(int, steps);
        const QString fault = Walk(seed).run(steps);
        QVERIFY2(fault.isEmpty(), qPrintable(u"seed %1, %2"_s.arg(seed).arg(fault)));
    }

    // New walks: one seed of its own each run, printed, or the one given.
    // Each walk has a window of its own, so that a long run's history stays
    // small; TAGWELL_WALK_SECONDS walks on with the next seeds until then.
    void randomWalks()
    {
        const int steps = int(environmentNumber("TAGWELL_WALK_STEPS", 3000));
        const qint64 seconds = qint64(environmentNumber("TAGWELL_WALK_SECONDS", 0));
        std::uint64_t seed = environmentNumber("TAGWELL_WALK_SEED", std::uint64_t(QDateTime::currentMSecsSinceEpoch()));
        const bool given = qEnvironmentVariableIsSet("TAGWELL_WALK_SEED");
        QElapsedTimer clock;
        clock.start();
        int walked = 0;
        do {
            qInfo("walk: seed %llu, %d steps (TAGWELL_WALK_SEED=%llu replays it)", qulonglong(seed), steps,
                  qulonglong(seed));
            const QString fault = Walk(seed).run(steps);
            if (!fault.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(fault)); // whole: Qt Test cuts long messages
            QVERIFY2(fault.isEmpty(), qPrintable(u"seed %1, %2"_s.arg(seed).arg(fault)));
            walked += steps;
            ++seed;
        } while (!given && clock.elapsed() < seconds * 1000);
        qInfo("walk: %d steps clean in %.1f s", walked, double(clock.elapsed()) / 1000);
    }
};

QTEST_MAIN(TestWindowWalk)
#include "tst_window_walk.moc"
