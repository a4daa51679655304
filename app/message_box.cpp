// Error message boxes with a switch for runs without a person in front of the screen.
#include "message_box.h"

#include <cstdio>

#include <QMessageBox>

namespace netrov::ui {

namespace {
ErrorMessageHandler& handler()
{
    static ErrorMessageHandler instance;
    return instance;
}
}  // namespace

void setErrorMessageHandler(ErrorMessageHandler newHandler) { handler() = std::move(newHandler); }

void showErrorMessage(QWidget* parent, const QString& title, const QString& text)
{
    if (handler()) {
        handler()(title, text);
        return;
    }
    if (qEnvironmentVariable("NETROV_MESSAGES_TO_STDERR") == QLatin1String("1")) {
        std::fprintf(stderr, "%s\n%s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    // The text may quote a device's or a file's words: shown as they are.
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace netrov::ui
