#pragma once
// TPavonaExDateEdit: a date and/or time typed into small fields (era, year, month, day, AM/PM, hour,
// minute, second) with fixed labels between them. Digits only; Enter and Tab walk the fields; the
// input is checked against MinDate/MaxDate with the edit's own messages. The decisions live in
// PavonaExDateEditLib; this is the widget around them.

#include <QColor>
#include <QLabel>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;

namespace kb {

class DateTime;
struct TPavonaExGengo;
enum class TPavonaExDateEditStyle;
enum class TPavonaExRekiSet;
enum class TPavonaExYeardigitSet;

// The silent abort: the message was shown already; the caller's action just stops.
struct EAbort : std::exception {
    const char* what() const noexcept override { return "Operation aborted"; }
};

class TPavonaExDateEditLabel : public QLabel {
    Q_OBJECT
public:
    explicit TPavonaExDateEditLabel(const QString& text, QWidget* parent = nullptr);
};

class TPavonaExDateEdit : public QWidget {
    Q_OBJECT
public:
    // Shows a message (caption, text); the default is an information box. Tests replace it.
    using MessageFn = std::function<void(const QString& caption, const QString& text)>;

    explicit TPavonaExDateEdit(QWidget* parent = nullptr);
    ~TPavonaExDateEdit() override;

    // The checked value; a null DateTime when the input is empty. Throws EAbort after a failed check.
    DateTime GetDate();
    // Shows a value (limited to MinDate/MaxDate); a null value clears the fields.
    void SetDate(const DateTime& v);
    void Clear();
    // Hands the edit an era list (newest first) and switches UseWarekiTable on.
    void SetWarekiTable(const std::vector<TPavonaExGengo>& table);
    // False when the input is valid (the value is then taken and shown again). After an error the
    // message is shown, the field focused and EAbort thrown.
    bool CheckInput();

    DateTime MinDate() const;
    void SetMinDate(const DateTime& v); // a null value: no limit
    DateTime MaxDate() const;
    void SetMaxDate(const DateTime& v);
    TPavonaExDateEditStyle EditStyle() const;
    void SetEditStyle(TPavonaExDateEditStyle v);
    bool EditGengo() const;
    void SetEditGengo(bool v);
    bool EditAmpm() const;
    void SetEditAmpm(bool v);
    TPavonaExRekiSet Gengo() const;
    void SetGengo(TPavonaExRekiSet v);
    TPavonaExYeardigitSet Yeardigit() const;
    void SetYeardigit(TPavonaExYeardigitSet v);
    bool UseWarekiTable() const;
    void SetLabelColor(QColor c);
    void SetLabels(const QStringList& sixTexts); // 年 月 日 時 分 秒
    int SpaceWidth() const;
    void SetSpaceWidth(int v);
    bool AutoSelect() const;
    void SetAutoSelect(bool v);
    bool CanEmpty() const;
    void SetCanEmpty(bool v);
    bool DropDownKey() const;
    void SetDropDownKey(bool v);
    bool EnterNext() const;
    void SetEnterNext(bool v);
    bool ExitCheck() const;
    void SetExitCheck(bool v);
    bool DisplayError() const;
    void SetDisplayError(bool v);
    void SetFocusedColor(QColor c);
    void SetColor(QColor c);
    void SetDisableColors(QColor back, QColor text);
    QString DialogCaption() const;
    void SetDialogCaption(const QString& v);
    int ErrorCode() const;
    bool IsEmpty() const;
    MessageFn OnShowMessage;

    // The parts, for forms that place a hint or tests that type into them.
    QComboBox* EraBox() const;
    QLineEdit* YearEdit() const;
    QLineEdit* MonthEdit() const;
    QLineEdit* DayEdit() const;
    QComboBox* AmpmBox() const;
    QLineEdit* HourEdit() const;
    QLineEdit* MinuteEdit() const;
    QLineEdit* SecondEdit() const;

signals:
    void Change(QObject* sender);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    struct State;
    void Relayout();
    void RefillEraBox();
    void Show();
    void ApplyColors();
    void FocusField(int field);
    std::vector<QWidget*> ShownFields() const;
    void MoveField(QWidget* from, bool next);
    std::unique_ptr<State> st_;
};

} // namespace kb
