#include "app/QtMessageBox.h"

#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace quillon {

int ShowQtMessageBox(const MessageBoxRequest& request, QWidget* mainWindow) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (request.Style & 0xF0) {
    case msgbox::MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case msgbox::MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case msgbox::MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    const bool yesNo = (request.Style & msgbox::MB_TYPEMASK) == msgbox::MB_YESNO;
    QMessageBox box(icon, QString::fromStdString(request.Caption),
                    QString::fromStdString(request.Text),
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    request.Owned ? mainWindow : nullptr);
    const int answer = box.exec();
    if (yesNo) {
        return answer == QMessageBox::Yes ? msgbox::IDYES : msgbox::IDNO;
    }
    return msgbox::IDOK;
}

void InstallQtMessageBoxes(QWidget* mainWindow) {
    QPointer<QWidget> owner(mainWindow);
    SetMessageBoxHandler(
        [owner](const MessageBoxRequest& request) { return ShowQtMessageBox(request, owner); });
}

} // namespace quillon
