#pragma once
// Which installed face a control's font asks Qt for.
#include <QString>

#include <string>

namespace runtime {

// `face` itself, except for the Song face (SimSun, 宋体) where it is not
// installed: then the first installed Song (Ming) face that stands in for it,
// so that the texts keep their size. Falls back to `face` when none is.
QString qt_face(const std::string& face);

}  // namespace runtime
