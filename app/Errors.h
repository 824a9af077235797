// The program's failures: exceptions that carry the text the user sees.
#pragma once

#include <QString>
#include <new>
#include <stdexcept>

// Base of every failure the program reports; what() is the UTF-8 text.
class VexlorError : public std::runtime_error {
public:
    explicit VexlorError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

// A text that is not a whole number or not a date.
class EConvertError : public VexlorError {
public:
    using VexlorError::VexlorError;
    static EConvertError notInteger(const QString &text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    static EConvertError notDate(const QString &text)
    {
        return EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    }
};

// A division by zero with a non-zero dividend.
class EZeroDivide : public VexlorError {
public:
    EZeroDivide() : VexlorError(QStringLiteral("Floating point division by zero")) {}
};

// 0/0 and other operations without a defined result.
class EInvalidOp : public VexlorError {
public:
    EInvalidOp() : VexlorError(QStringLiteral("Invalid floating point operation")) {}
};

// A file that cannot be opened, read or written.
class EInOutError : public VexlorError {
public:
    using VexlorError::VexlorError;
};

// A settings file that cannot be written.
class EIniFileError : public VexlorError {
public:
    using VexlorError::VexlorError;
};

// The text the user sees for a failure: the program's own texts as they
// stand, the library's terse ones ("std::bad_alloc") in words.
inline QString failureText(const std::exception &e)
{
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return QStringLiteral("There is not enough memory to finish this command");
    if (dynamic_cast<const std::length_error *>(&e))
        return QStringLiteral("The data are too large for this command");
    return QString::fromUtf8(e.what());
}
