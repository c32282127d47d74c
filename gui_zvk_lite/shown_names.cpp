#include "shown_names.h"

#include <QTextDocument>

QString button_text(const QString& name) {
    QString text = name;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString plain_tool_tip(const QString& text) {
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}
