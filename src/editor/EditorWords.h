#pragma once
// The command words the action editor knows, and the two text operations it
// performs on action lines: composing one from the fields, and splitting one
// back into them. Every word carries its trailing blank; that blank is the
// separator between word and parameter, and every test against a word is
// exact (whole text, case-sensitive, blank included).
#include <QString>
#include <QStringList>

namespace tess {

// The items of the basic list (ComboBox1), in their order.
const QStringList& BasicCommandItems();
// The items of the extended list (ComboBox2), in their order. These are also
// the words that Edit action routes to the extended list.
const QStringList& ExtendedCommandItems();

// Words that take a parameter, in the order they are tested.
const QStringList& BasicParameterWords();     // "CurPos ", "Interval ", ...
const QStringList& ExtendedParameterWords();  // "Load ", "KeyPress ", "Write "

// The only word for which the "Auto" capture box is enabled.
inline const QString kCaptureWord = QStringLiteral("CurPos ");

bool IsBasicParameterWord(const QString& text);
bool IsExtendedParameterWord(const QString& text);
bool IsExtendedWord(const QString& text);

// The editor's own split: the word runs up to and including the first
// blank, the parameter is everything after it. A line without a blank is all
// word. (The player splits differently: it leaves the blank off the word.)
struct EditorSplit {
    QString word;
    QString parameter;
};
EditorSplit SplitForEditing(const QString& line);

// The line the editor stores: basic text, extended text, then the parameter
// when the parameter field is enabled. Nothing is inserted, trimmed or
// checked.
QString ComposeLine(const QString& basic, const QString& extended, bool parameterEnabled,
                    const QString& parameter);

}  // namespace tess
