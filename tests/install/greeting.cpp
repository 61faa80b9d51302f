// The same greeting as greeting.c, written in C++.
#include <zivro.h>

#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  ZIVRO_open(instance, previous, command_line, show_mode);
  ZIVRO_logging(0);
  char name[256] = "";
  ZIVRO_gets("What is your name?", name);
  const std::string greeting = "Hello, " + std::string(name) + "!";
  ZIVRO_printf("%s\n", greeting.c_str());
  ZIVRO_close();
  return 0;
}
