#pragma once
// Modal message boxes. Title and text are GBK; the text may hold CR LF pairs
// and lone CRs, each shown as a line break.
#include <functional>
#include <string>
#include <string_view>

namespace runtime {

// Shows the box and returns when the user has dismissed it.
using MessageBoxPresenter = std::function<void(const std::string& title, const std::string& text)>;

// Replaces the presenter (tests see each title and text and dismiss the box);
// an empty presenter brings back the toolkit's own modal box.
void set_message_box_presenter(MessageBoxPresenter presenter);

// Returns 1 once the box is dismissed.
int message_box(std::string_view title, std::string_view text);

}  // namespace runtime
