#include "orvanel/run/Arguments.h"

int32_t SplitArguments(const FString& line, TArray<FString>& pieces) {
  pieces.Empty();
  if (line.Data == nullptr) return 0;
  const WideStringView text = line.View();
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t space = text.find(TCHAR(' '), start);
    if (space == WideStringView::npos) space = text.size();
    if (space > start) pieces.Emplace(text.substr(start, space - start));
    start = space + 1;
  }
  return pieces.Num();
}
