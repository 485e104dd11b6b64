#include "ui/widgets/error_message.h"

#include "model/values.h"
#include "ui/widgets/dialogs.h"

#include <exception>

bool runShowingErrors(Dialogs &dialogs, QWidget *parent, const std::function<void()> &f)
{
    try {
        f();
        return true;
    } catch (const HarumokaError &e) {
        dialogs.message(parent, e.message(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    } catch (const std::exception &e) {
        dialogs.message(parent, QStringLiteral("処理を続けられませんでした。\r") + QString::fromLocal8Bit(e.what()),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
    }
    return false;
}
