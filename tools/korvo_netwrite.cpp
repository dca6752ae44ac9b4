// korvo_netwrite: writes a binary loaded-network file or an auxiliary network
// file from a text description (the format is described in
// tools/lib/network_writer.h).
//
//   korvo_netwrite network DESCRIPTION OUTPUT
//   korvo_netwrite aux DESCRIPTION OUTPUT
//
// DESCRIPTION "-" reads the description from standard input. On an error the
// program names the description line, removes OUTPUT and exits with 1.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "network_writer.h"

namespace {

int usage() {
  std::cerr << "usage: korvo_netwrite network|aux DESCRIPTION OUTPUT\n"
               "  DESCRIPTION - reads standard input\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return usage();
  const std::string kind = argv[1];
  if (kind != "network" && kind != "aux") return usage();
  const std::string description_path = argv[2];
  const std::filesystem::path output = argv[3];

  std::ifstream description_file;
  std::istream* description = &std::cin;
  if (description_path != "-") {
    description_file.open(description_path);
    if (!description_file) {
      std::cerr << "korvo_netwrite: cannot open " << description_path << "\n";
      return 1;
    }
    description = &description_file;
  }
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  if (!out) {
    std::cerr << "korvo_netwrite: cannot create " << output.string() << "\n";
    return 1;
  }
  // A large stream buffer: the scenario generator writes millions of links.
  auto buffer = std::make_unique<char[]>(1 << 20);
  out.rdbuf()->pubsetbuf(buffer.get(), 1 << 20);
  try {
    if (kind == "network") {
      korvo::fixtures::write_network_description(*description, out);
    } else {
      korvo::fixtures::write_aux_description(*description, out);
    }
    out.close();
    if (!out) throw std::runtime_error("cannot write " + output.string());
  } catch (const std::exception& error) {
    out.close();
    std::filesystem::remove(output);
    std::cerr << "korvo_netwrite: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
