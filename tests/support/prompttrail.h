#pragma once

#include "ui/common/prompts.h"

#include <QStringList>

namespace kestrovalin::test {

// The prompts shown since the last call, each as its title, the separator and its text, joined by '|'; the
// history is then forgotten, so each check sees only what the step under test said.
inline QString takePrompts(const QString& separator = QString()) {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + separator + r.text;
    Prompts::reset();
    return out.join(QLatin1Char('|'));
}

} // namespace kestrovalin::test
