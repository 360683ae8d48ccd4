#include "editor/EditorWords.h"

namespace tess {

const QStringList& BasicCommandItems() {
    static const QStringList items = {
        QStringLiteral("Cycle "),      QStringLiteral("CycleEnd "),   QStringLiteral("CurPos "),
        QStringLiteral("Interval "),   QStringLiteral("KeyDown "),    QStringLiteral("KeyUp "),
        QStringLiteral("MouseLDown "), QStringLiteral("MouseLUp "),   QStringLiteral("MouseRDown "),
        QStringLiteral("MouseRUp "),   QStringLiteral("Stop "),
    };
    return items;
}

const QStringList& ExtendedCommandItems() {
    static const QStringList items = {
        QStringLiteral("Click "), QStringLiteral("ClickRight "), QStringLiteral("KeyPress "),
        QStringLiteral("Load "),  QStringLiteral("Write "),
    };
    return items;
}

const QStringList& BasicParameterWords() {
    static const QStringList words = {
        QStringLiteral("CurPos "), QStringLiteral("Interval "), QStringLiteral("Cycle "),
        QStringLiteral("KeyDown "), QStringLiteral("KeyUp "),
    };
    return words;
}

const QStringList& ExtendedParameterWords() {
    static const QStringList words = {
        QStringLiteral("Load "), QStringLiteral("KeyPress "), QStringLiteral("Write "),
    };
    return words;
}

bool IsBasicParameterWord(const QString& text) {
    return BasicParameterWords().contains(text, Qt::CaseSensitive);
}

bool IsExtendedParameterWord(const QString& text) {
    return ExtendedParameterWords().contains(text, Qt::CaseSensitive);
}

bool IsExtendedWord(const QString& text) {
    return ExtendedCommandItems().contains(text, Qt::CaseSensitive);
}

EditorSplit SplitForEditing(const QString& line) {
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {line, QString()};
    return {line.left(blank + 1), line.mid(blank + 1)};
}

QString ComposeLine(const QString& basic, const QString& extended, bool parameterEnabled,
                    const QString& parameter) {
    QString line = basic + extended;
    if (parameterEnabled)
        line += parameter;
    return line;
}

}  // namespace tess
