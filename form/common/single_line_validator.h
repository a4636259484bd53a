#pragma once
// A line edit that keeps one line: text typed or pasted with line breaks (a title copied
// from several lines) has each break (CR LF, CR or LF) replaced by one blank.

#include <QValidator>

class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
