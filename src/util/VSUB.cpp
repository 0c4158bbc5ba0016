// Token lists: counting, indexed reading, key lookup, indexed replacement and re-delimiting.
// Every call rescans the list; the lists are short (a few dozen items at most).
#include "util/VSUB.h"

#include "util/Utils.h"

namespace {
// The part of the list that scanning sees: up to the first NUL after the delimiter.
std::string_view Visible(std::string_view list) {
  size_t nul = list.find('\0', 1);
  return nul == std::string_view::npos ? list : list.substr(0, nul);
}

}  // namespace

int SUB::Count(std::string_view list) {
  if (list.empty() || list.back() != list.front()) return 0;
  std::string_view seen = Visible(list);
  int n = 0;
  for (size_t i = 1; i < seen.size(); ++i) n += seen[i] == list.front();
  return n;
}

std::string SUB::Get(std::string_view list, int index, std::string_view def) {
  if (list.empty() || index < 0) return std::string(def);
  std::string_view seen = Visible(list);
  const char d = list.front();
  size_t p = 0;
  for (int i = 0;; ++i) {
    size_t q = seen.find(d, p + 1);
    if (q == std::string_view::npos) break;  // an item not closed by the delimiter is not an item
    if (i == index) {
      if (q > p + 1) return std::string(seen.substr(p + 1, q - p - 1));
      break;
    }
    p = q;
  }
  return std::string(def);
}

std::string SUB::GetValue(std::string_view list, std::string_view key, std::string_view def,
                          std::string_view emptyValue) {
  if (list.size() <= 2 || list.back() != list.front()) return std::string(def);
  const char d = list.front();
  std::string k = std::string(1, d) + std::string(key);
  if (k.back() != '=') k += '=';
  // Blanks after a delimiter and before "=" do not count, so "| Name =x|" matches "name".
  const std::string normal = ReplaceText(ReplaceText(list, std::string(1, d) + ' ', std::string(1, d)), " =", "=");
  size_t at = PosCI(k, normal);
  if (at == 0) return std::string(def);
  size_t start = at - 1 + k.size();
  size_t end = normal.find(d, start);
  std::string value = normal.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return value.empty() ? std::string(emptyValue) : value;
}

std::string SUB::Put(std::string_view list, int index, std::string_view value) {
  if (list.empty()) list = "|";
  const char d = list.front();
  int n = Count(list);
  if (n <= index) n = index + 1;
  // Built with NUL as a stand-in delimiter, so that a value holding d can be detected afterwards.
  std::string r(1, '\0');
  for (int i = 0; i < n; ++i) {
    r += i == index ? std::string(value) : Get(list, i);
    r += '\0';
  }
  if (r.find(d) != std::string::npos) return ChangeDelimiter(r);
  return ReplaceChar(r, '\0', d);
}

std::string SUB::ChangeDelimiter(std::string_view list) {
  if (list.empty()) return {};
  static constexpr char kCandidates[] = {'|', '*', '^', '!', '~', '@', '#', '$', '&', '\xFF'};
  for (char c : kCandidates) {
    if (list.find(c) == std::string_view::npos) return ReplaceChar(list, list.front(), c);
  }
  return std::string(list);
}
