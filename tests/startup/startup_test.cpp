// The program's start-up, run in this process: translator choice and its debug lines, the
// second-instance box, and the first instance's window, font and style up to the loop's result.
#include "gui_manager.h"
#include "single_instance_guard.h"
#include "start_up.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include <functional>

namespace {

QStringList debug_lines;

void capture(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg)
        debug_lines << text;
}

// Collects what the code writes with qDebug while it lives.
class DebugCapture {
public:
    DebugCapture() : previous(qInstallMessageHandler(capture)) { debug_lines.clear(); }
    ~DebugCapture() { qInstallMessageHandler(previous); }
    QStringList lines() const { return debug_lines; }

private:
    QtMessageHandler previous;
};

// Translator files made at test time: the program's English one as the build made it, and a French
// one compiled here from a one-entry source.
bool put_translator(const QString& dir, const QString& language) {
    const QString qm = dir + "/gui_zvk_lite_" + language + ".qm";
    if (language == "en")
        return QFile::copy(qEnvironmentVariable("ZVK_RUN_DIR") + "/gui_zvk_lite_en.qm", qm);
    const QString ts = dir + "/" + language + ".ts";
    zvk_test::write_file(
        ts, "<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE TS><TS version=\"2.1\" language=\"fr\">"
            "<context><name>Translations</name><message><source>SingleInstanceAppTitle</source>"
            "<translation>ZVK Lite est d\xC3\xA9j\xC3\xA0 lanc\xC3\xA9</translation></message>"
            "</context></TS>");
    bool ok = QProcess::execute(LRELEASE, {"-silent", ts, "-qm", qm}) == 0;
    QFile::remove(ts);
    return ok;
}

QString title_token() {
    return QCoreApplication::translate("Translations", "SingleInstanceAppTitle");
}

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        saved_dir = QDir::currentPath();
        objects = zvk_test::fresh_dir("objects");
        qputenv("ZVK_KERNEL_OBJECTS_DIR", objects.toLocal8Bit());
    }
    void TearDown() override {
        QDir::setCurrent(saved_dir);
        qApp->setStyleSheet(QString());
        QApplication::setFont(QFont());
        qApp->setQuitOnLastWindowClosed(true);
    }
    // A working folder holding the translator files of the given languages.
    void work_in(const QString& name, const QStringList& languages) {
        QString dir = zvk_test::fresh_dir(name);
        for (const QString& language : languages)
            ASSERT_TRUE(put_translator(dir, language)) << language.toStdString();
        QDir::setCurrent(dir);
    }
    // Runs the start-up; inspect runs inside the event loop it starts, and a watchdog ends a loop that
    // nothing else ends.
    int run(SingleInstanceGuard& guard, std::function<void()> inspect) {
        QTimer::singleShot(0, qApp, inspect);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, qApp, [] {
            ADD_FAILURE() << "the event loop did not end";
            QApplication::closeAllWindows();
            QCoreApplication::exit(99);
        });
        watchdog.start(30000);
        return run_program(*qApp, guard);
    }

    QString saved_dir;
    QString objects;
};

template <class T> QList<T*> top_level() {
    QList<T*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w))
            found << t;
    return found;
}

TEST_F(StartUp, TranslatorFollowsTheLocaleWithQtsFallbackThenEnglish) {
    const QStringList english_fallback{"\"Language was not loaded - System's Language: de_DE\"",
                                       "Loading default language."};
    const QStringList no_language{"Default language not found...", "Executing with tokens."};
    struct Case {
        const char* locale;
        QStringList files;
        QStringList lines;
        const char* title; // nullptr: some English words, not the token
        bool installed;
    } cases[] = {
        // en_US finds gui_zvk_lite_en.qm at the first try by cutting the name back.
        {"en_US", {"en"}, {}, nullptr, true},
        {"fr_CA", {"en", "fr"}, {}, "ZVK Lite est d\xC3\xA9j\xC3\xA0 lanc\xC3\xA9", true},
        {"de_DE", {"en"}, english_fallback, nullptr, true},
        {"de_DE", {}, no_language, "SingleInstanceAppTitle", false},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.locale) + " with " + c.files.join(",").toStdString();
        work_in("translator", c.files);
        QTranslator translator;
        DebugCapture debug;
        EXPECT_EQ(load_translator(translator, c.locale), c.installed) << label;
        EXPECT_EQ(debug.lines(), c.lines) << label;
        if (c.title) {
            EXPECT_EQ(title_token(), QString(c.title)) << label;
        } else {
            EXPECT_FALSE(title_token().isEmpty()) << label;
            EXPECT_NE(title_token(), "SingleInstanceAppTitle") << label;
        }
    }
    // The translators went with their scope.
    EXPECT_EQ(title_token(), "SingleInstanceAppTitle");
}

TEST_F(StartUp, SecondInstanceShowsOnlyANonModalBoxRunByTheEventLoop) {
    SingleInstanceGuard first("Global\\zvk start-up");
    SingleInstanceGuard guard("Global\\zvk start-up");
    ASSERT_TRUE(guard.is_already_running());
    struct Case {
        QStringList files;
        bool words;    // translated, else the tokens themselves
        bool click_ok; // the user closes the box, else the loop is ended with a code
        int result;
    } cases[] = {
        {{}, false, true, 0},
        {{"en"}, true, true, 0},
        {{"en"}, true, false, 7},
    };
    for (const Case& c : cases) {
        const std::string label =
            (c.words ? "words" : "tokens") + std::string(c.click_ok ? ", Ok" : ", exit");
        work_in("second", c.files);
        bool inspected = false;
        int result = run(guard, [&] {
            inspected = true;
            EXPECT_TRUE(top_level<GUIManager>().isEmpty()) << label;
            QList<QMessageBox*> boxes = top_level<QMessageBox>();
            ASSERT_EQ(boxes.size(), 1) << label;
            QMessageBox* box = boxes[0];
            EXPECT_TRUE(box->isVisible());
            // Shown, not executed: this is the program's own loop, and nothing is blocked.
            EXPECT_EQ(QThread::currentThread()->loopLevel(), 1) << label;
            EXPECT_EQ(box->windowModality(), Qt::NonModal) << label;
            EXPECT_EQ(box->parentWidget(), nullptr);
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::Dialog));
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
            if (c.words) {
                EXPECT_NE(box->windowTitle(), "SingleInstanceAppTitle") << label;
                EXPECT_NE(box->text(), "SingleInstanceApp") << label;
                EXPECT_FALSE(box->text().isEmpty()) << label;
            } else {
                EXPECT_EQ(box->windowTitle(), "SingleInstanceAppTitle");
                EXPECT_EQ(box->text(), "SingleInstanceApp");
            }
            if (c.click_ok)
                box->button(QMessageBox::Ok)->click();
            else
                QCoreApplication::exit(c.result);
        });
        EXPECT_TRUE(inspected) << label;
        EXPECT_EQ(result, c.result) << label;
        EXPECT_TRUE(top_level<QMessageBox>().isEmpty()) << "the box went with the start-up";
    }
}

TEST_F(StartUp, FirstInstanceShowsTheWindowWithFontAndStyleUntilItIsClosed) {
    SingleInstanceGuard guard("Global\\zvk start-up");
    ASSERT_FALSE(guard.is_already_running());
    work_in("first", {"en"});
    // Only the start-up's own connection may end the loop when the window closes.
    qApp->setQuitOnLastWindowClosed(false);
    const QString expected_style =
        "QPushButton{ background-position: center; border: 1px solid #999999; background-image: "
        "url(:/gui_zvk_lite/Resources/Icons/botao_normal.png);}"
        "\t\t\t\t\t\t\t\t\t\t"
        "QPushButton:hover{border: 1px solid  #a34407; color: white; background-image: "
        "url(:/gui_zvk_lite/Resources/Icons/botao_mouseover.png);}"
        "\t\t\t\t\t\t\t\t"
        "QPushButton:pressed{border: 1px solid #658f2e; color: white; background-image: "
        "url(:/gui_zvk_lite/Resources/Icons/botao_selected.png);}";
    bool inspected = false;
    int result = run(guard, [&] {
        inspected = true;
        EXPECT_TRUE(top_level<QMessageBox>().isEmpty());
        QList<GUIManager*> windows = top_level<GUIManager>();
        ASSERT_EQ(windows.size(), 1);
        GUIManager* window = windows[0];
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->parentWidget(), nullptr);
        EXPECT_EQ(qApp->styleSheet(), expected_style);
        // Every image the style sheet names is compiled in.
        QRegularExpression url("url\\((:[^)]+)\\)");
        int images = 0;
        for (auto m = url.globalMatch(qApp->styleSheet()); m.hasNext(); ++images) {
            QString path = m.next().captured(1);
            EXPECT_FALSE(QPixmap(path).isNull()) << path.toStdString();
        }
        EXPECT_EQ(images, 3);
        for (const QFont& font : {QApplication::font(), window->font()}) {
            EXPECT_EQ(font.family(), "Segoi UI");
            EXPECT_EQ(font.pointSize(), 8);
            EXPECT_EQ(font.weight(), QFont::Normal);
            EXPECT_FALSE(font.italic());
        }
        window->close();
    });
    EXPECT_TRUE(inspected);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(top_level<GUIManager>().isEmpty()) << "the window went with the start-up";
}

} // namespace
