// The module scan of the working folder and the binding of a module, with module files on disk.
#include "gui_manager.h"
#include "gui_message_boxes.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTranslator>

class GUIManagerTestAccess {
public:
    static int first_screen(GUIManager& m) { return m.first_screen; }
    static int current_screen(GUIManager& m) { return m.current_screen; }
    static int page(GUIManager& m) { return m.screen_stack.currentIndex(); }
    static QStringList module_names(GUIManager& m) { return m.modules.keys(); }
};
using Access = GUIManagerTestAccess;

namespace {

// Marks every token it is asked for in the "Translations" context, so a test sees what was translated.
class MarkingTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (QByteArray(context) != "Translations")
            return QString();
        return "<" + QString(source) + ">";
    }
    bool isEmpty() const override { return false; }
};

class Scan : public ::testing::Test {
protected:
    void SetUp() override {
        saved_dir = QDir::currentPath();
        folder = zvk_test::fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir::setCurrent(folder);
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(saved_dir);
    }
    void put(const QString& name, const std::string& bytes = "not a module file") {
        ASSERT_TRUE(zvk_test::write_file(folder + "/" + name, bytes));
    }
    GUIManager& open_window() {
        window.reset(new GUIManager(nullptr, Qt::WindowFlags()));
        return *window;
    }
    std::vector<std::string> box_texts() const {
        std::vector<std::string> texts;
        for (const zvk_test::SeenMessageBox& b : boxes.seen())
            texts.push_back(b.text.toStdString());
        return texts;
    }

    QString saved_dir;
    QString folder;
    zvk_test::MessageBoxCloser boxes;
    std::unique_ptr<GUIManager> window;
};

TEST_F(Scan, EmptyFolderStartsOnTheMainScreen) {
    put("other.dll");
    put("diag_x.txt");
    GUIManager& w = open_window();
    EXPECT_TRUE(boxes.seen().isEmpty());
    EXPECT_TRUE(Access::module_names(w).isEmpty());
    EXPECT_EQ(Access::first_screen(w), ScreenBit::Main);
    EXPECT_EQ(Access::current_screen(w), ScreenBit::Main);
    EXPECT_EQ(Access::page(w), 0);
}

TEST_F(Scan, FilesThatDoNotLoadAreReportedOneByOneInNameOrderIgnoringCase) {
    for (const char* name : {"diag_b.dll", "DIAG_C.DLL", "diag_A.dll", "diag_storage.dll", "diag_memory.dll",
                             "diag_Storage.dll", "diag_diag_x.dll.dll", "diag_.dll", "zdiag_y.dll"})
        put(name);
    QDir().mkdir(folder + "/diag_folder.dll"); // QDir lists folders as well
    GUIManager& w = open_window();

    const std::vector<std::string> expected{
        "InvalidModule",       "InvalidModuleA",      "InvalidModuleb",       "InvalidModuleDIAG_C.DLL",
        "InvalidModulex",      "InvalidModulefolder", "InvalidModuleMemory",  "InvalidModuleStorage",
        "InvalidModuleStorage",
    };
    EXPECT_EQ(box_texts(), expected);
    for (const zvk_test::SeenMessageBox& b : boxes.seen()) {
        EXPECT_EQ(b.title, "InvalidModuleTitle");
        EXPECT_EQ(b.icon, QMessageBox::Critical);
        EXPECT_EQ(b.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_TRUE(b.flags & Qt::Dialog);
        EXPECT_TRUE(b.flags & Qt::MSWindowsFixedSizeDialogHint);
        EXPECT_FALSE(b.has_parent);
        EXPECT_TRUE(b.modal);
    }
    EXPECT_TRUE(Access::module_names(w).isEmpty());
    EXPECT_EQ(Access::page(w), 0);
}

TEST_F(Scan, StorageAndMemoryAreTranslatedOnlyForTheirExactFileNames) {
    for (const char* name : {"diag_storage.dll", "diag_memory.dll", "diag_Memory.dll", "diag_storage2.dll"})
        put(name);
    MarkingTranslator marks;
    QCoreApplication::installTranslator(&marks);
    open_window();
    QCoreApplication::removeTranslator(&marks);

    const std::vector<std::string> expected{"<InvalidModule><Memory>", "<InvalidModule>Memory", "<InvalidModule><Storage>",
                               "<InvalidModule>storage2"};
    EXPECT_EQ(box_texts(), expected);
    ASSERT_FALSE(boxes.seen().isEmpty());
    EXPECT_EQ(boxes.seen()[0].title, "<InvalidModuleTitle>");
}

TEST_F(Scan, AFileNameIsShownAsPlainText) {
    put("diag_<b>bold<b>.dll");
    open_window();
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].text.toStdString(), "InvalidModule<b>bold<b>");
    EXPECT_EQ(boxes.seen()[0].text_format, Qt::PlainText);
}

} // namespace
