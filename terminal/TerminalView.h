#pragma once

#include <QPlainTextEdit>
#include <functional>

// The terminal view: a plain text box whose character keys go first to a handler that may
// cancel them (set the code to 0) before the box inserts them.
class TerminalView : public QPlainTextEdit
{
    Q_OBJECT
public:
    using KeyPressHandler = std::function<void(quint16 &keyAscii)>;

    explicit TerminalView(QWidget *parent = nullptr);
    void setKeyPressHandler(KeyPressHandler handler) { m_keyPress = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    KeyPressHandler m_keyPress;
};
