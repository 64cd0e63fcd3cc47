#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <utility>

/**
 * An error that ends the command it happens in. The front end shows its text in its
 * general error display (a message box) and goes on; background work swallows it.
 */
class EPagemintError : public std::exception
{
public:
    explicit EPagemintError(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
