// Deleting a search condition that the user saved from a search screen: its INI keys are
// emptied (not removed) and its elements in the screen's arrays are blanked.
#include <exception>
#include <limits>
#include <vector>

#include "component/ZuvoCls.h"
#include "runtime/Convert.h"

namespace zuvo {

namespace {

// Deleting goes on step by step whatever fails: a half-done deletion is still more use to
// the screen than none.
template <typename Step>
void despiteErrors(Step step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

void blank(Array<String>& items, std::int16_t dix) {
  if (items.contains(dix)) items[dix].clear();
}

}  // namespace

void ZuvoCls::DltUserSQL(std::int16_t max, std::int16_t qmax, Array<String>& qf, Array<String>& qw,
                         Array<String>& qo, Array<String>& qg, std::int16_t dix, const String& prv,
                         const String& pgm, const String& title) {
  // The number is 16-bit arithmetic; when it overflows the step is skipped and the number
  // stays 0, like every other failing step here.
  std::int32_t saved = std::int32_t(dix) - qmax - 1;
  if (saved < std::numeric_limits<std::int16_t>::min() ||
      saved > std::numeric_limits<std::int16_t>::max())
    saved = 0;
  // Keys carry two digits, so conditions past 99 share the keys of their last two digits.
  String digits;
  despiteErrors([&] { digits = rt::right(u"00" + rt::numberText(saved), 2); });

  std::vector<String> names{u"qt", u"qw", u"qo"};
  if (max > 1) names.insert(names.end(), {u"qf", u"qg"});
  for (const String& name : names) {
    bool written = false;
    despiteErrors([&] { written = WriteIniStr(prv, pgm, name + digits, String()); });
    if (written || !platform().ui) continue;
    despiteErrors([&] { platform().ui->beep(); });
    despiteErrors(
        [&] { platform().ui->messageBox(u"検索条件の保存が出来ませんでした。", title, 48); });
  }

  blank(qw, dix);
  blank(qo, dix);
  if (max > 1) {
    blank(qf, dix);
    blank(qg, dix);
  }
}

}  // namespace zuvo
