#include <cstdio>

int main() {
  std::puts("zuvo");
  return 0;
}
