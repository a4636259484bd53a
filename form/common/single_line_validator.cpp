#include "single_line_validator.h"

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const {
    QString out;
    out.reserve(input.size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (c == u'\r' && i + 1 < input.size() && input[i + 1] == u'\n') {
            if (i < pos) --pos;
            continue;
        }
        out += (c == u'\r' || c == u'\n') ? QChar(u' ') : c;
    }
    input = out;
    return Acceptable;
}
