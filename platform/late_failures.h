// A part of the desktop that learns of a failure only after the command that
// caused it has returned (a browser that could not be started, a clipboard
// taken back by another program): it says so by this signal, which the
// window reports as it reports a command's failure.
#pragma once

#include "core/failures.h"

#include <QObject>

namespace tagwell {

class LateFailures : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void lateFailure(tagwell::Failure failure);
};

} // namespace tagwell
