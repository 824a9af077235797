// The program's failures: exceptions that carry the text the user sees.
#pragma once

#include <QString>
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
