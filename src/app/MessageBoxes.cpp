#include "app/MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace tess {
namespace {

struct Button {
    QString text;
    QMessageBox::ButtonRole role;
    Answer answer;
};

Answer Ask(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
           const std::initializer_list<Button>& buttons) {
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    if (!parent) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    std::vector<std::pair<QAbstractButton*, Answer>> added;
    for (const Button& b : buttons) added.emplace_back(box.addButton(b.text, b.role), b.answer);
    // The first button is the default; Esc takes the last one, which is
    // "Cancel", "&No" or the only "OK".
    box.setDefaultButton(static_cast<QPushButton*>(added.front().first));
    box.setEscapeButton(added.back().first);
    box.exec();
    for (auto& [button, answer] : added)
        if (box.clickedButton() == button) return answer;
    return added.back().second;  // closed without a click: as Esc
}

}  // namespace

Answer ConfirmYesNo(QWidget* parent, const QString& text) {
    return Ask(parent, QMessageBox::Question, QStringLiteral("Confirm"), text,
               {{QStringLiteral("&Yes"), QMessageBox::YesRole, Answer::Yes},
                {QStringLiteral("&No"), QMessageBox::NoRole, Answer::No}});
}

Answer ConfirmYesNoCancel(QWidget* parent, const QString& text) {
    return Ask(parent, QMessageBox::Question, QStringLiteral("Confirm"), text,
               {{QStringLiteral("&Yes"), QMessageBox::YesRole, Answer::Yes},
                {QStringLiteral("&No"), QMessageBox::NoRole, Answer::No},
                {QStringLiteral("Cancel"), QMessageBox::RejectRole, Answer::Cancel}});
}

void ShowError(QWidget* parent, const QString& text) {
    Ask(parent, QMessageBox::Critical, QStringLiteral("Error"), text,
        {{QStringLiteral("OK"), QMessageBox::AcceptRole, Answer::Ok}});
}

void ShowInformation(QWidget* parent, const QString& text) {
    Ask(parent, QMessageBox::Information, QStringLiteral("Information"), text,
        {{QStringLiteral("OK"), QMessageBox::AcceptRole, Answer::Ok}});
}

}  // namespace tess
