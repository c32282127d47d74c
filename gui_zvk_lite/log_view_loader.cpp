#include "log_view_loader.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextOption>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>

struct LogViewLoader::Load {
    std::mutex mutex;
    std::condition_variable changed; // a piece imported, or the load given up
    bool cancelled = false;
    QStringList texts;    // the pieces' HTML; only read (at(), never []) once the workers run
    std::size_t next = 0; // the next piece to import
    std::vector<std::optional<QTextDocumentFragment>> pieces; // imported, not yet joined
    int running = 0;                                          // workers that have not ended
    QTextDocument* joined = nullptr; // the whole, until the loader takes it; goes with the load if not

    ~Load() { delete joined; }
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

void worker_ended(LogViewLoader::Load& load) {
    std::lock_guard<std::mutex> lock(load.mutex);
    --load.running;
}

// Imports pieces, in text order, until none is left or the load is given up.
void import_pieces(std::shared_ptr<LogViewLoader::Load> load) {
    for (;;) {
        std::size_t index;
        {
            std::lock_guard<std::mutex> lock(load->mutex);
            if (load->cancelled || load->next == std::size_t(load->texts.size()))
                break;
            index = load->next++;
        }
        QTextDocumentFragment fragment = QTextDocumentFragment::fromHtml(load->texts.at(qsizetype(index)));
        std::lock_guard<std::mutex> lock(load->mutex);
        load->pieces[index] = std::move(fragment);
        load->changed.notify_all();
    }
    worker_ended(*load);
}

} // namespace

LogViewLoader::LogViewLoader(QTextEdit* view_, qsizetype direct_limit_, qsizetype piece_size_)
    : QObject(view_), view(view_), direct_limit(direct_limit_), piece_size(piece_size_) {}

LogViewLoader::~LogViewLoader() {
    cancel();
    // The workers refer to this object until they end.
    join_finished_workers(true);
}

void LogViewLoader::cancel() {
    if (!load)
        return;
    {
        std::lock_guard<std::mutex> lock(load->mutex);
        load->cancelled = true;
    }
    load->changed.notify_all();
    load.reset();
}

void LogViewLoader::join_finished_workers(bool wait) {
    for (auto it = workers.begin(); it != workers.end();) {
        bool ended;
        {
            std::lock_guard<std::mutex> lock(it->load->mutex);
            ended = it->load->running == 0;
        }
        if (ended || wait) {
            for (std::thread& thread : it->threads)
                thread.join();
            it = workers.erase(it);
        } else {
            ++it;
        }
    }
}

void LogViewLoader::show(const QString& html, const QVector<qsizetype>& part_starts) {
    cancel();
    join_finished_workers(false);
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
    load->texts = pieces;
    load->pieces.resize(std::size_t(pieces.size()));
    const int importers = int(std::min<qsizetype>(std::max(1, QThread::idealThreadCount()), pieces.size()));
    load->running = importers + 1;
    Workers started{load, {}};
    for (int i = 0; i < importers; ++i)
        started.threads.emplace_back(import_pieces, load);
    // Joins the pieces in text order into a document of its own, then hands it to this object's thread.
    started.threads.emplace_back([this, load = load, setup = DocumentSetup(view->document()),
                                  gui = QCoreApplication::instance()->thread()] {
        std::unique_ptr<QTextDocument> document(new QTextDocument);
        setup.apply(document.get());
        QTextCursor end(document.get());
        for (auto& slot : load->pieces) {
            std::optional<QTextDocumentFragment> fragment;
            {
                std::unique_lock<std::mutex> lock(load->mutex);
                load->changed.wait(lock, [&] { return slot || load->cancelled; });
                if (load->cancelled)
                    break;
                fragment.swap(slot);
            }
            end.movePosition(QTextCursor::End);
            end.insertFragment(*fragment);
        }
        bool cancelled;
        {
            std::lock_guard<std::mutex> lock(load->mutex);
            cancelled = load->cancelled;
        }
        if (!cancelled) {
            document->moveToThread(gui);
            {
                std::lock_guard<std::mutex> lock(load->mutex);
                load->joined = document.release();
            }
            // By name, so that Qt alone makes, carries and frees the queued call; the document
            // itself crosses under the load's lock.
            QMetaObject::invokeMethod(this, "take_joined", Qt::QueuedConnection);
        }
        worker_ended(*load);
    });
    workers.push_back(std::move(started));
}

void LogViewLoader::take_joined() {
    // Only the current load's document is shown; one that a later show replaced goes with its load.
    if (!load)
        return;
    QTextDocument* document;
    {
        std::lock_guard<std::mutex> lock(load->mutex);
        document = load->joined;
        load->joined = nullptr;
    }
    if (document)
        install(document);
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
