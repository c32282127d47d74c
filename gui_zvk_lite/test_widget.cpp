#include "test_widget.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>

#include <algorithm>

namespace {

const char* const icon_folder = ":/gui_zvk_lite/Resources/Icons/";

// The word and the icon of a finished test's status; null for the other values.
struct EndedLook {
    const char* word;
    const char* icon;
};

const EndedLook* ended_look(int status) {
    static const EndedLook looks[] = {
        {QT_TRANSLATE_NOOP("Translations", "Passed"), "icnOk_16x16.png"},
        {QT_TRANSLATE_NOOP("Translations", "Failed"), "icnError_16x16.png"},
        {QT_TRANSLATE_NOOP("Translations", "NotSupported"), "icnIgnored_16x16.png"},
        {QT_TRANSLATE_NOOP("Translations", "Aborted"), "icnAlert_16x16.png"},
    };
    if (status < TestWidgetStatus::Passed || status > TestWidgetStatus::Aborted)
        return nullptr;
    return &looks[status - TestWidgetStatus::Passed];
}

QString status_word(const char* key) {
    return QCoreApplication::translate("Translations", key);
}

} // namespace

TestWidget::TestWidget(std::string name, int row)
    : QWidget(nullptr, Qt::WindowFlags()), test_name(std::move(name)), current_status(0),
      current_progress(0) {
    ui.setupUi(this);
    ui.test_name_label->set_full_text(tr(test_name.c_str()));
    ui.test_progressBar->setTextVisible(false);
    setStyleSheet(row % 2 == 0 ? "background-color: #fff" : "background-color: #e6e6e6");
    ui.progress_label->hide();
    ui.test_progressBar->setStyleSheet(
        "QProgressBar {background-color: #cccccc; border:1px solid; border-color: #adadad;text-align: "
        "center;color: #FFF;font-weight:bold; } QProgressBar::chunk { background-image: "
        "url(:/gui_zvk_lite/Resources/Icons/barraverde_1x14.png); }");
}

void TestWidget::set_status(int status) {
    current_status = status;
    if (status == TestWidgetStatus::Waiting || status == TestWidgetStatus::Running) {
        bool running = status == TestWidgetStatus::Running;
        ui.test_name_label->setDisabled(!running);
        ui.test_status->setDisabled(!running);
        ui.test_status->setText(status_word(running ? QT_TRANSLATE_NOOP("Translations", "Running")
                                                    : QT_TRANSLATE_NOOP("Translations", "Waiting")));
        ui.progress_label->setVisible(running);
        ui.test_progressBar->setVisible(running);
        ui.img_label->hide();
        return;
    }
    const EndedLook* look = ended_look(status);
    if (!look)
        return; // no status: the row shows what it showed
    ui.test_name_label->setEnabled(true);
    ui.test_status->setEnabled(true);
    ui.test_status->setText(status_word(look->word));
    ui.progress_label->hide();
    ui.test_progressBar->hide();
    // Read at each call: the row keeps no picture of its own.
    ui.img_label->setPixmap(QPixmap::fromImage(QImage(QString(icon_folder) + look->icon)));
    ui.img_label->show();
}

void TestWidget::set_progress(int percent) {
    current_progress = percent;
    show_progress();
}

void TestWidget::show_progress() {
    ui.progress_label->setText(QString::number(current_progress, 10) + "%");
    // Out of range, the bar keeps its value (QProgressBar ignores it) while the label shows it.
    ui.test_progressBar->setValue(current_progress);
}

void TestWidget::fit_status_width() {
    // The keys, not their translations, in the application font: every row of every block gets the
    // same status column.
    QFontMetrics metrics(QApplication::font());
    int widest = -1;
    for (const char* key : {"Waiting", "Failed", "Passed", "Running", "NotSupported"})
        widest = std::max(widest, metrics.horizontalAdvance(QString(key)));
    ui.test_status->setMinimumWidth(widest);
}
