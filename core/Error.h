#pragma once

#include <QString>
#include <stdexcept>

// An error that ends the running action. Its message is shown to the user as
// it stands, in the standard error box.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    QString message() const { return m_message; }

    // Extra lines for the box's detail area (file, line number, ...); may be empty.
    QString detail() const { return m_detail; }
    void setDetail(const QString& detail) { m_detail = detail; }

private:
    QString m_message;
    QString m_detail;
};

// A text that does not read as the number it should be.
class ConversionError : public Error
{
public:
    using Error::Error;
};
