#pragma once
// The action editor (TForm3): a small tool window that stays on top, in
// which the user picks a command word from one of two lists, gives it a
// parameter and adds the composed line to the scenario, or rewrites the
// caret line in Edit mode. It is created hidden and lives for the whole run;
// it is only shown and hidden.
#include <QWidget>

#include "editor/EditorHost.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tess {

class ActionEditor : public QWidget {
    Q_OBJECT
public:
    explicit ActionEditor(EditorHost& host, QWidget* parent = nullptr);

    // "Add action": shows the editor and brings it to the front. The first
    // showing centres it over the main window; later ones leave it where the
    // user left it. Mode and fields stay as they are.
    void ShowEditor();
    // Caption " Edit action", action button "Edit".
    void SetEditMode();
    // The caption carries the mode.
    bool IsEditMode() const;

    QComboBox* ComboBox1() const { return comboBox1_; }
    QComboBox* ComboBox2() const { return comboBox2_; }
    QLineEdit* Edit1() const { return edit1_; }
    QCheckBox* AutoParameterCheck1() const { return autoParameterCheck1_; }
    QCheckBox* Stayontop1() const { return stayontop1_; }
    QPushButton* Button1() const { return button1_; }
    QPushButton* Button2() const { return button2_; }

    // Sets a command field's text from code. Such changes never run the
    // change handlers; the next activation brings the controls in line.
    static void SetCommandText(QComboBox* field, const QString& text);

    // Event handlers, public so the window's behaviour can be driven
    // directly where the windowing system is not at hand.
    void FormShow();
    void FormActivate();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox1KeyPress();
    void ComboBox2KeyPress();
    void Edit1KeyPress();
    void AutoParameterCheck1Click();
    void Button1Click();
    void Button2Click();
    void FormCloseQuery();

    static const QString kNewCaption;
    static const QString kEditCaption;
    static const QString kParameterHint;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void BuildControls();
    void SetParameterFieldEnabled(bool enabled);
    // Focus goes to the parameter field when it is enabled, else to Button1.
    void FocusParameterOrButton();
    void FocusParameter();
    void FocusButton1();
    void PlaceOverMainWindow();
    void KeepAboveMainWindow();

    EditorHost& host_;
    bool placed_ = false;

    QGroupBox* groupBox1_ = nullptr;
    QGroupBox* groupBox2_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QComboBox* comboBox1_ = nullptr;
    QComboBox* comboBox2_ = nullptr;
    QLineEdit* edit1_ = nullptr;
    QCheckBox* autoParameterCheck1_ = nullptr;
    QCheckBox* stayontop1_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* button2_ = nullptr;
};

}  // namespace tess
