#include "ui/QtMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace orvo {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

MessageAnswer AnswerOf(int button) {
    switch (button) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    default:
        return MessageAnswer::Ok;
    }
}

int ShowBox(const QString& text, const QString& caption, MessageIcon icon, MessageButtons buttons,
            const MessageLabels& labels = {}) {
    QMessageBox box(IconOf(icon), caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                    ButtonsOf(buttons), QApplication::activeWindow());
    const std::pair<QMessageBox::StandardButton, const std::string*> renamed[] = {
        {QMessageBox::Yes, &labels.yes}, {QMessageBox::No, &labels.no}};
    for (const auto& [which, label] : renamed)
        if (QAbstractButton* button = box.button(which); button && !label->empty())
            button->setText(QString::fromStdString(*label));
    return box.exec();
}

} // namespace

MessageAnswer QtMessageService::Show(const std::string& text, const std::string& caption, MessageIcon icon,
                                     MessageButtons buttons) {
    return ShowLabelled(text, caption, icon, buttons, {});
}

MessageAnswer QtMessageService::ShowLabelled(const std::string& text, const std::string& caption,
                                             MessageIcon icon, MessageButtons buttons,
                                             const MessageLabels& labels) {
    const QString qtext = QString::fromStdString(text);
    const QString qcaption = QString::fromStdString(caption);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return MessageAnswer::Ok;
    if (QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [qtext, qcaption, icon, buttons] { ShowBox(qtext, qcaption, icon, buttons); },
            Qt::QueuedConnection);
        return MessageAnswer::Ok;
    }
    return AnswerOf(ShowBox(qtext, qcaption, icon, buttons, labels));
}

} // namespace orvo
