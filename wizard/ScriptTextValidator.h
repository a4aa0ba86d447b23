#pragma once

#include <QValidator>

namespace quorlane::wizard {

// Takes only text that can stand between single quotes in the page script: no ' " \ and no line
// break. It says so when it refuses an edit (a paste, a drop), so that the box can tell why.
class ScriptTextValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

signals:
    void refused() const;
};

} // namespace quorlane::wizard
