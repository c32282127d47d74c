#pragma once
// A one-line label for a name that comes from a module (a device's or a test's): shown as plain text,
// exactly as given, and shortened with an ellipsis where the label is narrower than the name, which then
// shows whole in the label's tool tip. Its minimum width is that of the ellipsis, so that a long name
// never pushes what lies beside it (a status, a progress bar, a result code) out of view.
#include <QLabel>
#include <QString>

class QEvent;
class QResizeEvent;
class QShowEvent;

class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void set_full_text(const QString& text);
    QString full_text() const { return whole; }

    // The whole name's width, which a layout gives where it has room.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int frame_and_margins() const;
    // Shows as much of the name as the label's width holds; all of it while the label is hidden, as its
    // width is not laid out then.
    void fit();

    QString whole;
};
