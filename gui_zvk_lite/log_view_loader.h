#pragma once
// Puts a long log text into a log view without stopping the window. Qt's HTML import of a long
// search result takes many seconds on one thread: the view shows the beginning of the text at once,
// while worker threads import the text in pieces and join them into a document of their own, which
// then replaces the beginning. What the view finally shows is exactly what QTextEdit::setText of the
// whole text shows.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <memory>
#include <thread>
#include <vector>

class QTextDocument;
class QTextEdit;

class LogViewLoader : public QObject {
    Q_OBJECT
public:
    // Texts of at most `direct_limit` characters go into the view at once; longer ones are imported
    // in pieces of about `piece_size` characters, and the parts that make the first eighth of a
    // piece go into the view at once.
    explicit LogViewLoader(QTextEdit* view, qsizetype direct_limit = 1 << 19, qsizetype piece_size = 1 << 19);
    ~LogViewLoader() override;

    // Shows `html`, the concatenation of parts that each stand on their own (the runs of a log); a
    // part begins at each offset of `part_starts`, in ascending order. Replaces any load under way.
    void show(const QString& html, const QVector<qsizetype>& part_starts);
    // Gives up a load under way; the view keeps what it shows.
    void cancel();
    bool loading() const { return load != nullptr; }

    struct Load; // one load's pieces, shared with its workers

signals:
    // The view holds the whole text of the last show.
    void loaded();

private slots:
    // Shows the current load's joined document once a worker has handed it over.
    void take_joined();

private:
    void install(QTextDocument* document);
    void join_finished_workers(bool wait);

    QTextEdit* view;
    const qsizetype direct_limit;
    const qsizetype piece_size;
    std::shared_ptr<Load> load;
    // Every load's threads, the given-up ones included, until they have ended.
    struct Workers {
        std::shared_ptr<Load> load;
        std::vector<std::thread> threads;
    };
    std::vector<Workers> workers;
    QPointer<QTextDocument> shown_document; // the last document this loader gave the view
};
