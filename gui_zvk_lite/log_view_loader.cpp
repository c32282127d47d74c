#include "log_view_loader.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextOption>
#include <QWaitCondition>

#include <optional>
#include <vector>

struct LogViewLoader::Load {
    QMutex mutex;
    QWaitCondition piece_ready; // or cancelled
    bool cancelled = false;
    std::vector<std::optional<QTextDocumentFragment>> pieces; // imported, not yet joined
};

namespace {

// The text split at part starts into pieces of at least `size` characters.
QStringList pieces_of(const QString& html, const QVector<qsizetype>& part_starts, qsizetype size) {
    QStringList pieces;
    qsizetype begin = 0;
    for (qsizetype start : part_starts) {
        if (start > begin && start - begin >= size && start < html.size()) {
            pieces.append(html.mid(begin, start - begin));
            begin = start;
        }
    }
    pieces.append(html.mid(begin));
    return pieces;
}

// What the view's document is set up with, so that the joined document lays out and shows the same.
struct DocumentSetup {
    QFont font;
    QString style_sheet;
    QTextOption text_option;
    qreal margin;
    qreal indent_width;
    bool design_metrics;

    explicit DocumentSetup(const QTextDocument* d)
        : font(d->defaultFont()), style_sheet(d->defaultStyleSheet()), text_option(d->defaultTextOption()),
          margin(d->documentMargin()), indent_width(d->indentWidth()), design_metrics(d->useDesignMetrics()) {
    }
    void apply(QTextDocument* d) const {
        d->setUndoRedoEnabled(false);
        d->setDefaultFont(font);
        d->setDefaultStyleSheet(style_sheet);
        d->setDefaultTextOption(text_option);
        d->setDocumentMargin(margin);
        d->setIndentWidth(indent_width);
        d->setUseDesignMetrics(design_metrics);
    }
};

// The joined document on its way to the loader's thread. Should it never arrive (the loader went
// first), it goes with the last holder.
struct Delivery {
    QTextDocument* document = nullptr;
    ~Delivery() { delete document; }
};

} // namespace

LogViewLoader::LogViewLoader(QTextEdit* view_, qsizetype direct_limit_, qsizetype piece_size_)
    : QObject(view_), view(view_), direct_limit(direct_limit_), piece_size(piece_size_) {
    joiner.setMaxThreadCount(1);
}

LogViewLoader::~LogViewLoader() {
    cancel();
    // The workers refer to this object until they end.
    importers.waitForDone();
    joiner.waitForDone();
}

void LogViewLoader::cancel() {
    if (!load)
        return;
    {
        QMutexLocker lock(&load->mutex);
        load->cancelled = true;
        load->piece_ready.wakeAll();
    }
    load.reset();
}

void LogViewLoader::show(const QString& html, const QVector<qsizetype>& part_starts) {
    cancel();
    if (html.size() <= direct_limit) {
        view->setText(html);
        emit loaded();
        return;
    }
    const QStringList pieces = pieces_of(html, part_starts, piece_size);
    if (pieces.size() == 1) {
        view->setText(html);
        emit loaded();
        return;
    }
    // The beginning at once, as the whole will show it: enough parts to fill the view.
    view->setText(pieces_of(pieces.first(), part_starts, piece_size / 8).first());

    load = std::make_shared<Load>();
    load->pieces.resize(std::size_t(pieces.size()));
    // Queued in text order, so the pieces tend to be done in the order they are joined.
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        importers.start([load = load, piece = pieces[i], i] {
            {
                QMutexLocker lock(&load->mutex);
                if (load->cancelled)
                    return;
            }
            QTextDocumentFragment fragment = QTextDocumentFragment::fromHtml(piece);
            QMutexLocker lock(&load->mutex);
            load->pieces[std::size_t(i)] = std::move(fragment);
            load->piece_ready.wakeAll();
        });
    }
    joiner.start([this, load = load, setup = DocumentSetup(view->document()),
                  gui = QCoreApplication::instance()->thread()] {
        auto delivery = std::make_shared<Delivery>();
        delivery->document = new QTextDocument;
        setup.apply(delivery->document);
        QTextCursor end(delivery->document);
        for (auto& slot : load->pieces) {
            std::optional<QTextDocumentFragment> fragment;
            {
                QMutexLocker lock(&load->mutex);
                while (!slot && !load->cancelled)
                    load->piece_ready.wait(&load->mutex);
                if (load->cancelled)
                    return;
                fragment.swap(slot);
            }
            end.movePosition(QTextCursor::End);
            end.insertFragment(*fragment);
        }
        delivery->document->moveToThread(gui);
        QMetaObject::invokeMethod(
            this,
            [this, load, delivery] {
                QTextDocument* document = delivery->document;
                delivery->document = nullptr;
                if (load == this->load)
                    install(document);
                else
                    delete document;
            },
            Qt::QueuedConnection);
    });
}

void LogViewLoader::install(QTextDocument* document) {
    load.reset();
    // The user may have scrolled in the beginning: the same place of the whole stays in view.
    const int vertical = view->verticalScrollBar()->value();
    const int horizontal = view->horizontalScrollBar()->value();
    const int top = view->cursorForPosition(QPoint(0, 0)).position();

    QTextDocument* previous = shown_document;
    document->setParent(view);
    view->setDocument(document);
    shown_document = document;
    if (previous && previous != document)
        delete previous;

    if (vertical > 0) {
        QTextCursor place(document);
        place.setPosition(top);
        document->documentLayout()->blockBoundingRect(place.block()); // lays out up to there
        view->verticalScrollBar()->setValue(vertical);
    }
    view->horizontalScrollBar()->setValue(horizontal);
    emit loaded();
}
