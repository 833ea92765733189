// The notice lines of the online step, as they travel to the search window: one list, made
// whole on the step's thread and never changed after, shared by whoever still shows it.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace sorvik {

// "text<TAB>link<TAB>tip" each.
using NoticeLines = std::vector<std::string>;
using SharedNotices = std::shared_ptr<const NoticeLines>;

}  // namespace sorvik
