// lv8-chmbuild <project.hhp> <out.chm>: compiles a help project into a help file whose
// entries are stored uncompressed. Used by the build for the demo host's help.
#include <cstdio>
#include <exception>
#include <fstream>

#include "ChmWriter.h"
#include "HelpProject.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: lv8-chmbuild <project.hhp> <out.chm>\n", stderr);
    return 2;
  }
  try {
    lv8demo::ChmWriter writer;
    lv8demo::HelpProject(argv[1]).fill(writer);
    const std::string image = writer.image();
    // Written beside the target and renamed, so that a failed build leaves no half file.
    const std::string temp = std::string(argv[2]) + ".new";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.write(image.data(), static_cast<std::streamsize>(image.size()));
      if (!out.flush()) throw std::runtime_error(std::string("cannot write ") + temp);
    }
    if (std::rename(temp.c_str(), argv[2]) != 0) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lv8-chmbuild: %s\n", e.what());
    return 1;
  }
  return 0;
}
