// Form1 on the offscreen platform: its layout, fonts, start-up, keys,
// commands and their Undo, resizing, what a screen reader is told and what
// every failure leaves behind.
#include "core/conversion.h"
#include "platform/desktop_launcher.h"
#include "text_helpers.h"
#include "ui/main_window.h"
#include "window_fixture.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using tagwell::Form1;

class TestMainWindow : public QObject {
    Q_OBJECT

    struct Window : FakeDesktopWindow {
        void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
        QString text() const { return form.WenBen->toPlainText(); }
        void setText(const QString& text)
        {
            clipboard.content = text.toStdU16String();
            click(form.ZhanTie);
        }
        void showActive()
        {
            form.show();
            form.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&form));
        }
        // Keys go where the user's keys go: to the widget with the focus.
        void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
        {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        }
        // The buttons clicked since the last call, by name.
        QStringList clickedButtons()
        {
            QStringList names;
            for (const auto& [button, spy] : clicks) {
                if (!spy->isEmpty())
                    names << button->objectName();
                spy->clear();
            }
            return names;
        }
        std::vector<std::pair<QPushButton*, std::unique_ptr<QSignalSpy>>> clicks = [this] {
            std::vector<std::pair<QPushButton*, std::unique_ptr<QSignalSpy>>> spies;
            for (QPushButton* button : {form.ZhanTie, form.ZhuanHuan, form.FuZhi, form.QingKong, form.GuanWang})
                spies.emplace_back(button, std::make_unique<QSignalSpy>(button, &QAbstractButton::clicked));
            return spies;
        }();
    };

private slots:
    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("ZhanTie") << u"ZhanTie"_s << u"粘贴"_s << QRect(8, 8, 65, 25);
        QTest::newRow("ZhuanHuan") << u"ZhuanHuan"_s << u"转换"_s << QRect(80, 8, 65, 25);
        QTest::newRow("FuZhi") << u"FuZhi"_s << u"复制"_s << QRect(152, 8, 65, 25);
        QTest::newRow("QingKong") << u"QingKong"_s << u"清空"_s << QRect(224, 8, 65, 25);
        QTest::newRow("GuanWang") << u"GuanWang"_s << u"查看帮助/更新"_s << QRect(296, 8, 105, 25);
        QTest::newRow("Pre") << u"Pre"_s << u"清除pre标签"_s << QRect(416, 8, 89, 25);
        QTest::newRow("WenBen") << u"WenBen"_s << QString() << QRect(0, 40, 505, 329);
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        Window w;
        auto* widget = w.form.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            QCOMPARE(button->text(), caption);
    }

    // What a screen reader is told of each part of the window.
    void accessibleRolesAndNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("Form1") << u"Form1"_s << QAccessible::Window << u"Tagwell 1.0  - 作者:Zorvik"_s;
        QTest::newRow("ZhanTie") << u"ZhanTie"_s << QAccessible::Button << u"粘贴"_s;
        QTest::newRow("ZhuanHuan") << u"ZhuanHuan"_s << QAccessible::Button << u"转换"_s;
        QTest::newRow("FuZhi") << u"FuZhi"_s << QAccessible::Button << u"复制"_s;
        QTest::newRow("QingKong") << u"QingKong"_s << QAccessible::Button << u"清空"_s;
        QTest::newRow("GuanWang") << u"GuanWang"_s << QAccessible::Button << u"查看帮助/更新"_s;
        QTest::newRow("Pre") << u"Pre"_s << QAccessible::CheckBox << u"清除pre标签"_s;
        QTest::newRow("WenBen") << u"WenBen"_s << QAccessible::EditableText << u"文本"_s;
    }

    void accessibleRolesAndNames()
    {
        QFETCH(QString, name);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, spoken);
        Window w;
        QObject* object = name == w.form.objectName() ? &w.form : w.form.findChild<QWidget*>(name);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), role);
        QCOMPARE(accessible->text(QAccessible::Name), spoken);
    }

    // The captions and the title are drawn in an installed font, not as
    // empty boxes: without a font that covers them, this fails.
    void captionsHaveAFont()
    {
        Window w;
        QList<std::pair<QString, QFont>> captions{{w.form.windowTitle(), w.form.font()}};
        for (auto* button : w.form.findChildren<QAbstractButton*>())
            captions.append({button->text(), button->font()});
        QStringList missing;
        for (const auto& [caption, font] : captions) {
            const QFontMetrics metrics(font);
            for (char32_t c : caption.toUcs4())
                if (!metrics.inFontUcs4(c))
                    missing << u"%1 (U+%2)"_s.arg(QString::fromUcs4(&c, 1)).arg(uint(c), 4, 16, QChar(u'0'));
        }
        QVERIFY2(missing.isEmpty(), qPrintable(u"no installed font has "_s + missing.join(u", "_s)));
    }

    void windowAndInitialState()
    {
        Window w;
        QCOMPARE(w.form.windowTitle(), u"Tagwell 1.0  - 作者:Zorvik"_s);
        QCOMPARE(w.form.size(), QSize(504, 368));
        QCOMPARE(w.form.objectName(), u"Form1"_s);
        QCOMPARE(w.form.HeightMargin, 585);
        QCOMPARE(w.form.WidthMargin, -15);
        QVERIFY(w.form.windowFlags() & Qt::WindowMinMaxButtonsHint);

        QCOMPARE(w.form.Pre->checkState(), Qt::Checked);
        QCOMPARE(tagwell::checkStateOf(*w.form.Pre), tagwell::CheckState::Checked);
        QVERIFY(w.text().isEmpty());
        QCOMPARE(w.form.WenBen->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(w.form.WenBen->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(w.form.WenBen->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!w.form.WenBen->isReadOnly());
        for (auto* button : w.form.findChildren<QPushButton*>())
            QVERIFY(!button->isDefault() && !button->autoDefault());
    }

    // Qt's enum values are not the commands' states: Checked is 2 there.
    void checkStateMapping()
    {
        QCheckBox box;
        box.setTristate(true);
        const std::pair<Qt::CheckState, tagwell::CheckState> cases[] = {
            {Qt::Unchecked, tagwell::CheckState::Unchecked},
            {Qt::Checked, tagwell::CheckState::Checked},
            {Qt::PartiallyChecked, tagwell::CheckState::Grayed}};
        for (const auto& [qt, state] : cases) {
            box.setCheckState(qt);
            QCOMPARE(tagwell::checkStateOf(box), state);
        }
    }

    // Whichever way the layout sends Shift+Tab, it goes back; neither key
    // types into the text area on its way through.
    void tabKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QStringList>("order");
        const QStringList forward{u"ZhuanHuan"_s, u"FuZhi"_s,  u"QingKong"_s, u"GuanWang"_s,
                                  u"Pre"_s,       u"WenBen"_s, u"ZhanTie"_s};
        const QStringList backward{u"WenBen"_s, u"Pre"_s,       u"GuanWang"_s, u"QingKong"_s,
                                   u"FuZhi"_s,  u"ZhuanHuan"_s, u"ZhanTie"_s};
        QTest::newRow("Tab") << int(Qt::Key_Tab) << Qt::KeyboardModifiers() << forward;
        QTest::newRow("Backtab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers() << backward;
        QTest::newRow("Shift+Backtab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier) << backward;
        QTest::newRow("Shift+Tab") << int(Qt::Key_Tab) << Qt::KeyboardModifiers(Qt::ShiftModifier) << backward;
    }

    void tabKeys()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QStringList, order);
        Window w;
        w.showActive();
        w.form.ZhanTie->setFocus();
        QStringList visited;
        for (qsizetype i = 0; i < order.size(); ++i) {
            w.press(Qt::Key(key), modifiers);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
        QVERIFY(w.text().isEmpty());
        QVERIFY(w.clickedButtons().isEmpty());
    }

    // Enter presses the focused button as Space does, though none is a
    // default button; each runs its own command.
    void keysPressTheFocusedButton_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<int>("opened");
        const struct {
            const char* button;
            QString text, clipboard;
            int opened;
        } commands[] = {
            {"ZhanTie", u"clip"_s, u"clip"_s, 0},  {"ZhuanHuan", u"<pre>a&lt;b&gt;</pre>"_s, u"clip"_s, 0},
            {"FuZhi", u"a<b>"_s, u"a<b>"_s, 0},    {"QingKong", QString(), u"clip"_s, 0},
            {"GuanWang", u"a<b>"_s, u"clip"_s, 1},
        };
        const struct {
            const char* name;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
        } keys[] = {
            {"Space", Qt::Key_Space, {}},
            {"Return", Qt::Key_Return, {}},
            {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier},
        };
        for (const auto& c : commands)
            for (const auto& k : keys)
                QTest::addRow("%s, %s", c.button, k.name)
                    << QString::fromLatin1(c.button) << int(k.key) << k.modifiers << c.text << c.clipboard << c.opened;
    }

    void keysPressTheFocusedButton()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);
        QFETCH(QString, clipboard);
        QFETCH(int, opened);
        Window w;
        w.setText(u"a<b>"_s);
        w.clipboard.content = u"clip"_s.toStdU16String();
        w.clickedButtons();
        w.showActive();
        auto* focused = w.form.findChild<QPushButton*>(button);
        focused->setFocus();
        w.press(Qt::Key(key), modifiers);
        QCOMPARE(w.text(), text);
        QCOMPARE(fromUtf16(w.clipboard.content), clipboard);
        QCOMPARE(int(w.launcher.opened.size()), opened);
        QCOMPARE(w.clickedButtons(), QStringList{button});
        QCOMPARE(QApplication::focusWidget(), focused);
    }

    // Enter types a line break in the text area and presses nothing; Space
    // toggles the box, Enter leaves it alone; Ctrl+Tab types a tab.
    void keysOutsideTheButtons()
    {
        Window w;
        w.showActive();
        QTRY_COMPARE(QApplication::focusWidget(), w.form.WenBen);
        QTest::keyClicks(w.form.WenBen, u"a"_s);
        w.press(Qt::Key_Return);
        QTest::keyClicks(w.form.WenBen, u"b"_s);
        w.press(Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClicks(w.form.WenBen, u"c"_s);
        w.press(Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClicks(w.form.WenBen, u"d"_s);
        QCOMPARE(w.text(), u"a\nb\nc\td"_s);
        QCOMPARE(QApplication::focusWidget(), w.form.WenBen);

        w.form.Pre->setFocus();
        w.press(Qt::Key_Space);
        QCOMPARE(w.form.Pre->checkState(), Qt::Unchecked);
        w.press(Qt::Key_Space);
        QCOMPARE(w.form.Pre->checkState(), Qt::Checked);
        w.press(Qt::Key_Return);
        w.press(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w.form.Pre->checkState(), Qt::Checked);
        QCOMPARE(w.text(), u"a\nb\nc\td"_s);
        QVERIFY(w.clickedButtons().isEmpty());
    }

    void firstActivationFocusesTextArea()
    {
        Window w;
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QTRY_COMPARE(QApplication::focusWidget(), w.form.WenBen);

        // Coming back from another program leaves the focus where it was.
        w.form.ZhanTie->setFocus();
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(&w.form, &deactivate);
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&w.form, &activate);
        QCOMPARE(w.form.focusWidget(), w.form.ZhanTie);
    }

    void commands()
    {
        Window w;
        w.form.WenBen->setPlainText(u"old"_s);
        w.clipboard.content = u"a<b>\n<pre>c</pre>"_s.toStdU16String();
        w.click(w.form.ZhanTie);
        QCOMPARE(w.text(), u"a<b>\n<pre>c</pre>"_s);

        w.click(w.form.ZhuanHuan);
        QCOMPARE(w.text(), u"<pre>a&lt;b&gt;\nc</pre>"_s);
        w.click(w.form.ZhuanHuan); // checked: a second Convert changes nothing
        QCOMPARE(w.text(), u"<pre>a&lt;b&gt;\nc</pre>"_s);

        w.form.WenBen->selectAll(); // Copy takes the whole text, not the selection
        w.form.WenBen->moveCursor(QTextCursor::Start);
        w.click(w.form.FuZhi);
        QCOMPARE(fromUtf16(w.clipboard.content), u"<pre>a&lt;b&gt;\nc</pre>"_s);

        QTest::mouseClick(w.form.Pre, Qt::LeftButton);
        QCOMPARE(w.form.Pre->checkState(), Qt::Unchecked);
        QCOMPARE(w.text(), u"<pre>a&lt;b&gt;\nc</pre>"_s);
        w.click(w.form.ZhuanHuan); // unchecked: one more level
        QCOMPARE(w.text(), u"<pre>&lt;pre&gt;a&lt;b&gt;\nc&lt;/pre&gt;</pre>"_s);

        w.click(w.form.QingKong);
        QVERIFY(w.text().isEmpty());
        w.click(w.form.FuZhi);
        QVERIFY(w.clipboard.content.empty());
        QVERIFY(w.failures.isEmpty());
    }

    // A text the program wrote is read back exactly, though the widget keeps
    // only LF line breaks and would show a no-break space as a space.
    void textIsKeptExactly_data()
    {
        QTest::addColumn<QString>("text");
        const struct {
            const char* name;
            QString text;
        } texts[] = {
            {"CR LF, lone CR, no-break space, line separator", u"a\r\nb\u00a0c\rd\u2028e\r"_s},
            {"NUL", QString::fromUtf16(u"a\0<b>", 5)},
            {"lone surrogates", QString::fromUtf16(u"\xd800<\xdc00>\xdbff", 5)},
            {"a lone high surrogate before a pair", QString::fromUtf16(u"\xd800\xd83d\xde00", 3)},
            {"four-byte characters", u"😀<𝄞>𠀀"_s},
            {"byte order marks", u"\ufeffa\ufffe<b>"_s},
            {"tabs and a trailing line break", u"\tint x;\n"_s},
        };
        // Each also after plain text of every length past a few of the eight
        // characters the document looks at a step, and across their ends.
        for (const auto& t : texts) {
            QTest::newRow(t.name) << t.text;
            for (int plain : {7, 8, 13, 22})
                QTest::addRow("%s, after %d plain", t.name, plain) << QString(plain, u'x') + t.text + u"中文"_s;
        }
    }

    void textIsKeptExactly()
    {
        QFETCH(QString, text);
        Window w;
        w.setText(text);
        w.click(w.form.FuZhi);
        QCOMPARE(fromUtf16(w.clipboard.content), text);
        w.click(w.form.ZhuanHuan);
        w.click(w.form.FuZhi);
        QCOMPARE(w.clipboard.content,
                 tagwell::convertText<char16_t>(text.toStdU16String(), tagwell::CheckState::Checked));
        QVERIFY(w.failures.isEmpty());
    }

    // Few signs are edited in place: whatever the tags and line breaks, the
    // text and what the widget shows are the whole-text conversion's.
    void convertInPlaceMatchesWholeText()
    {
        QRandomGenerator random(101);
        Window w;
        for (int round = 0; round < 300; ++round) {
            const QString tags = fromUtf16(randomTagText<char16_t>(random, 12));
            const QString padding(150 * tags.size() + 400, u'x');
            const QString text = round % 3 == 0   ? tags + padding
                                 : round % 3 == 1 ? padding + tags
                                                  : tags + padding + tags;
            const auto state = round % 2 ? tagwell::CheckState::Checked : tagwell::CheckState::Unchecked;
            w.form.Pre->setCheckState(round % 2 ? Qt::Checked : Qt::Unchecked);
            w.setText(text);
            w.click(w.form.ZhuanHuan);
            const QString expected = fromUtf16(tagwell::convertText<char16_t>(text.toStdU16String(), state));
            QCOMPARE(fromUtf16(w.form.document().text()), expected);
            QString shown = expected;
            shown.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
            QCOMPARE(w.text(), shown);
        }
    }

    // Once the user edits, the widget's own text counts.
    void editedTextIsReadFromTheWidget()
    {
        Window w;
        w.setText(u"a\r\nb\u00a0c\u2028"_s);
        w.form.WenBen->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.form.WenBen, u"!"_s);
        w.click(w.form.FuZhi);
        QCOMPARE(fromUtf16(w.clipboard.content), u"a\nb\u00a0c\u2028!"_s);
    }

    // Shift+Enter starts a line as Enter does, so the converted text has a
    // line break there; a line separator that a text really holds stays.
    void shiftEnterStartsALine_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }

    void shiftEnterStartsALine()
    {
        QFETCH(int, key);
        Window w;
        QTest::keyClicks(w.form.WenBen, u"a<b"_s);
        QTest::keyClick(w.form.WenBen, Qt::Key(key), Qt::ShiftModifier);
        QTest::keyClicks(w.form.WenBen, u"c"_s);
        w.click(w.form.ZhuanHuan);
        w.click(w.form.FuZhi);
        QCOMPARE(fromUtf16(w.clipboard.content), u"<pre>a&lt;b\nc</pre>"_s);
    }

    // Each command is one step back, to the text exactly as Copy had it
    // then, and one step forward again; the document's own history of typing
    // goes on around them. Texts with few signs are converted in place, those
    // with many as a whole: both ways are here.
    void undoAndRedoEachCommand_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("command");
        const QString padding(1000, u'x');
        const QString mixed = u"a\r\n\tb\u00a0c\rd\r\n"_s;
        const QString odd = QString::fromUtf16(u"\0\xd800<\u2028>", 5);
        QTest::newRow("paste over CR LF") << mixed << u"new\r\ntext"_s << u"ZhanTie"_s;
        QTest::newRow("paste over NUL, lone surrogate") << odd << u"new"_s << u"ZhanTie"_s;
        QTest::newRow("convert in place, CR LF") << mixed + u"<b>"_s + padding << QString() << u"ZhuanHuan"_s;
        QTest::newRow("convert whole, CR LF") << mixed + u"<<>>"_s << QString() << u"ZhuanHuan"_s;
        QTest::newRow("convert in place, tags") << u"<pre>a\r\n</pre>"_s + padding << QString() << u"ZhuanHuan"_s;
        QTest::newRow("convert, NUL, lone surrogate") << odd << QString() << u"ZhuanHuan"_s;
        QTest::newRow("clear CR LF") << mixed << QString() << u"QingKong"_s;
        QTest::newRow("clear NUL, lone surrogate") << odd << QString() << u"QingKong"_s;
    }

    void undoAndRedoEachCommand()
    {
        QFETCH(QString, before);
        QFETCH(QString, clipboard);
        QFETCH(QString, command);
        Window w;
        w.setText(before);
        w.clipboard.content = clipboard.toStdU16String();
        w.click(w.form.findChild<QPushButton*>(command));
        const tagwell::Text after = w.form.document().text();

        for (const auto& [keys, expected] : {std::pair{QKeySequence(u"Ctrl+Z"_s), before.toStdU16String()},
                                             {QKeySequence(u"Ctrl+Shift+Z"_s), after},
                                             {QKeySequence(u"Ctrl+Z"_s), before.toStdU16String()},
                                             {QKeySequence(u"Ctrl+Y"_s), after}}) {
            QTest::keySequence(w.form.WenBen, keys);
            w.click(w.form.FuZhi);
            QCOMPARE(fromUtf16(w.clipboard.content), fromUtf16(expected));
        }
        QVERIFY(w.failures.isEmpty());
    }

    // Typing and commands undo in the order they happened, the text area's
    // own menu as the keys do.
    void typingAndCommandsUndoInTurn()
    {
        Window w;
        const QString pasted = u"one\r\ntwo"_s;
        w.setText(pasted);
        w.form.WenBen->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.form.WenBen, u"<3"_s);
        w.click(w.form.ZhuanHuan);
        QTest::keyClicks(w.form.WenBen, u"!"_s);

        const QStringList expected{u"<pre>one\ntwo&lt;3</pre>"_s, u"one\ntwo<3"_s, pasted, QString()};
        for (const QString& text : expected) {
            std::unique_ptr<QMenu> menu(w.form.WenBen->createStandardContextMenu());
            QAction* undo = nullptr;
            for (QAction* action : menu->actions())
                if (action->text().remove(u'&').startsWith(u"Undo"_s))
                    undo = action;
            QVERIFY(undo && undo->isEnabled());
            undo->trigger();
            w.click(w.form.FuZhi);
            QCOMPARE(fromUtf16(w.clipboard.content), text);
        }
    }

    // A history of many commands, walked back to its start and forward to
    // its end again: the texts far from the one shown are kept another way
    // than those beside it, and every one of them comes back.
    void longHistoryBackAndForth()
    {
        Window w;
        const QStringList texts{QString(), u"one"_s, u"two\r\n"_s, u"three<"_s, u"four"_s, u"five\r"_s};
        for (qsizetype i = 1; i < texts.size(); ++i) {
            w.clipboard.content = texts[i].toStdU16String();
            w.click(w.form.ZhanTie);
        }
        auto walk = [&w, &texts](const char* keys, qsizetype from, qsizetype to) {
            for (qsizetype i = from; i != to;) {
                i += to > from ? 1 : -1;
                QTest::keySequence(w.form.WenBen, QKeySequence(QString::fromLatin1(keys)));
                w.click(w.form.FuZhi);
                QCOMPARE(fromUtf16(w.clipboard.content), texts[i]);
            }
        };
        const qsizetype last = texts.size() - 1;
        for (const auto& [keys, from, to] : {std::tuple{"Ctrl+Z", last, qsizetype(0)},
                                             {"Ctrl+Y", 0, last},
                                             {"Ctrl+Z", last, 1},
                                             {"Ctrl+Shift+Z", 1, last}}) {
            walk(keys, from, to);
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(w.failures.isEmpty());
    }

    // While a command runs the cursor is busy; a failure's message is shown
    // with the cursor back.
    void busyCursorWhileACommandRuns()
    {
        Window w;
        std::optional<Qt::CursorShape> during;
        w.clipboard.whileReading = [&during] {
            if (const QCursor* cursor = QGuiApplication::overrideCursor())
                during = cursor->shape();
        };
        bool busyAtMessage = true;
        w.form.setFailureReporter([&busyAtMessage](QWidget*, const QString&) {
            busyAtMessage = QGuiApplication::overrideCursor() != nullptr;
        });
        w.clipboard.failReads = true;
        w.click(w.form.ZhanTie);
        QCOMPARE(during, std::optional(Qt::WaitCursor));
        QVERIFY(!busyAtMessage);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void help()
    {
        Window w;
        w.setText(u"text"_s);
        w.clipboard.content = u"clip"_s.toStdU16String();
        w.click(w.form.GuanWang);
        w.click(w.form.GuanWang);
        const QString address = u"https://tagwell.example.org/apps/soft/?tagwell"_s;
        QCOMPARE(w.launcher.addresses(), (QStringList{address, address}));
        QCOMPARE(w.text(), u"text"_s);
        QCOMPARE(w.clipboard.content, u"clip"_s.toStdU16String());
        QCOMPARE(w.form.Pre->checkState(), Qt::Checked);
    }

    void resizing_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("textArea");
        QTest::newRow("larger") << QSize(800, 600) << QSize(801, 561);
        QTest::newRow("narrow but high") << QSize(200, 300) << QSize(201, 261);
        QTest::newRow("40 px high: one pixel") << QSize(300, 40) << QSize(301, 1);
        QTest::newRow("39 px high: nothing changes") << QSize(300, 39) << QSize(505, 329);
        QTest::newRow("10 px high: nothing changes") << QSize(300, 10) << QSize(505, 329);
        QTest::newRow("start size") << QSize(504, 368) << QSize(505, 329);
    }

    void resizing()
    {
        QFETCH(QSize, client);
        QFETCH(QSize, textArea);
        Window w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        QCOMPARE(w.form.WenBen->geometry(), QRect(0, 40, 505, 329)); // the first resize changes nothing
        w.form.resize(client);
        QTRY_COMPARE(w.form.size(), client);
        QCOMPARE(w.form.WenBen->geometry(), QRect(QPoint(0, 40), textArea));
        QCOMPARE(w.form.ZhanTie->geometry(), QRect(8, 8, 65, 25));
        QCOMPARE(w.form.Pre->geometry(), QRect(416, 8, 89, 25));
    }

    void failuresKeepProgramAndText()
    {
        Window w;
        w.setText(u"precious <text>"_s);

        w.clipboard.failReads = true;
        w.click(w.form.ZhanTie);
        w.clipboard.failWrites = true;
        w.click(w.form.FuZhi);
        w.launcher.outcome = FakeLauncher::Outcome::FailsAtOnce;
        w.click(w.form.GuanWang);
        w.launcher.outcome = FakeLauncher::Outcome::FailsLater;
        w.click(w.form.GuanWang);
        w.clipboard.failWrites = false;
        w.click(w.form.FuZhi);
        w.clipboard.takenBack();
        QTRY_COMPARE(w.failures.size(), 5);

        const QString noBrowser = fromUtf16(tagwell::messageFor(tagwell::Failure::NoBrowser));
        QVERIFY(w.failures[0].contains(u"clipboard read failed"_s));
        QVERIFY(w.failures[1].contains(u"clipboard write failed"_s));
        QCOMPARE(w.failures[2], noBrowser);
        QCOMPARE(w.failures[3], noBrowser);
        QVERIFY(noBrowser.contains(u"https://tagwell.example.org/apps/soft/?tagwell"_s));
        QCOMPARE(w.failures[4], fromUtf16(tagwell::messageFor(tagwell::Failure::ClipboardUnwritable)));
        QCOMPARE(w.text(), u"precious <text>"_s);

        w.click(w.form.ZhuanHuan); // and the program still works
        QCOMPARE(w.text(), u"<pre>precious &lt;text&gt;</pre>"_s);
    }

    // The desktop's opener runs and exits with a failure after the click has
    // returned: the message still reaches the window, wired as the program
    // wires it.
    void lateLaunchFailureReachesWindow()
    {
        QTemporaryDir bin;
        QVERIFY(bin.isValid());
        QFile opener(bin.filePath(u"xdg-open"_s));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nexit 3\n");
        opener.close();
        opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);

        FakeDesktopClipboard clipboard;
        tagwell::DesktopLauncher launcher;
        Form1 form(clipboard, launcher);
        tagwell::connectLateFailures(form, clipboard, launcher);
        QStringList failures;
        form.setFailureReporter([&failures](QWidget*, const QString& message) { failures << message; });
        QTest::mouseClick(form.GuanWang, Qt::LeftButton);
        qputenv("PATH", path);
        QVERIFY(failures.isEmpty()); // not known yet when the click returns
        QTRY_COMPARE(failures.size(), 1);
        QVERIFY(failures[0].contains(fromUtf16(tagwell::helpAddress())));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
