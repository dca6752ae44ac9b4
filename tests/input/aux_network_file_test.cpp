// The records of the auxiliary network file "VOLNAUX.xxx".

#include "input/aux_network_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "common/errors.h"
#include "network_writer.h"
#include "support/fortran_program.h"
#include "support/temp_dir.h"

namespace korvo {
namespace {

using fixtures::AuxNetworkWriter;
using fixtures::AuxRecord;

class AuxNetworkFileTest : public ::testing::Test {
 protected:
  void open(std::initializer_list<AuxRecord> records, bool unsigned_nodes = false) {
    std::ostringstream out;
    AuxNetworkWriter writer(out);
    for (const AuxRecord& r : records) writer.add(r);
    open_bytes(out.str(), unsigned_nodes);
  }
  void open_bytes(std::string bytes, bool unsigned_nodes = false) {
    bytes_ = std::move(bytes);
    file_.stream = ByteStream::from_memory(bytes_, "VOLNAUX.XXX");
    file_.records = FortranRecordReader(&file_.stream);
    file_.open = true;
    file_.unsigned_nodes = unsigned_nodes;
  }
  std::string error_of_next(std::int32_t anode, std::int32_t bnode) {
    try {
      read_aux_network_record(file_, anode, bnode);
    } catch (const FileError& e) {
      return e.what();
    }
    return "";
  }

  std::string bytes_;
  AuxNetworkFile file_;
};

TEST_F(AuxNetworkFileTest, RecordsGiveNodesAndThePackedCodesInOrder) {
  open({{1, 2, 0, 0x07000500u}, {2, 1, -1, 0xFFFFFFFFu}});
  const AuxNetworkRecord a = read_aux_network_record(file_, 1, 2);
  EXPECT_EQ(a.from, 1);
  EXPECT_EQ(a.to, 2);
  EXPECT_EQ(a.packed, 0x07000500u);
  const AuxNetworkRecord b = read_aux_network_record(file_, 2, 1);
  EXPECT_EQ(b.from, 2);
  EXPECT_EQ(b.packed, 0xFFFFFFFFu);
}

TEST_F(AuxNetworkFileTest, PackedWordsGiveTheirConstructionAndLocationBytes) {
  struct Case {
    std::uint32_t packed;
    int construct, location;
  };
  const Case cases[] = {
      {0x07000500u, 7, 5}, {0x07AB05CDu, 7, 5}, {0xFFFFFFFFu, 255, 255}, {0x00FF00FFu, 0, 0}, {0x80008000u, 128, 128}};
  for (const Case& c : cases) {
    EXPECT_EQ(packed_construction_code(c.packed), c.construct) << c.packed;
    EXPECT_EQ(packed_location_code(c.packed), c.location) << c.packed;
  }
}

// Node 40000 is stored as the 16 bits of -25536.
TEST_F(AuxNetworkFileTest, NodeNumbersAreSignedUnlessTheNetworkGoesBeyond32767) {
  open({{40000, 2, 0, 0}});
  EXPECT_EQ(read_aux_network_record(file_, 40000, 2).from, -25536);
  open({{40000, 2, 0, 0}}, true);
  EXPECT_EQ(read_aux_network_record(file_, 40000, 2).from, 40000);
}

TEST_F(AuxNetworkFileTest, AShortOrEndedFileStopsWithItsRecord) {
  open({{10, 20, 0, 0}});
  read_aux_network_record(file_, 10, 20);
  EXPECT_EQ(error_of_next(20, 30),
            " VOLNAUX.XXX, record 2 at byte offset 18: expected the record of link 20-30, found the end of the file");

  std::ostringstream out;
  fixtures::FortranRecordWriter(out).write(std::string(6, '\0'));
  open_bytes(out.str());
  EXPECT_EQ(error_of_next(0, 0),
            " VOLNAUX.XXX, record 1 at byte offset 0 (record length): expected at least 10 bytes (from-node, "
            "to-node, unused, codes), found 6");
}

// An auxiliary network file written by a Fortran program (INTEGER*2 nodes
// and unused value, INTEGER*4 codes) is the writer's file byte for byte and
// reads the same way.
TEST_F(AuxNetworkFileTest, ReadsAFileWrittenByFortran) {
  const std::string program = R"(program writeaux
  implicit none
  integer(kind=2) :: ia, ib, iu
  integer(kind=4) :: ipack
  open(11, file='VOLNAUX.FOR', form='unformatted', access='sequential', status='replace')
  ia = -25536
  ib = 12
  iu = 99
  ipack = ior(ishft(7, 24), ishft(5, 8)) + 3
  write(11) ia, ib, iu, ipack
  ia = 12
  ib = -25536
  iu = 0
  ipack = ior(ishft(200, 24), ishft(31, 8))
  write(11) ia, ib, iu, ipack
  close(11)
end program writeaux
)";
  testing::TempDir dir;
  if (!testing::run_fortran_program(dir, program)) GTEST_SKIP() << "gfortran is not available";
  std::ostringstream out;
  AuxNetworkWriter writer(out);
  writer.add({40000, 12, 99, fixtures::pack_aux_codes(7, 5) + 3});
  writer.add({12, 40000, 0, fixtures::pack_aux_codes(200, 31)});
  const std::string fortran = dir.read("VOLNAUX.FOR");
  EXPECT_EQ(fortran, out.str());

  open_bytes(fortran, true);
  const AuxNetworkRecord a = read_aux_network_record(file_, 40000, 12);
  EXPECT_EQ(std::make_tuple(a.from, a.to, int{packed_construction_code(a.packed)}, packed_location_code(a.packed)),
            std::make_tuple(40000, 12, 7, 5));
  const AuxNetworkRecord b = read_aux_network_record(file_, 12, 40000);
  EXPECT_EQ(std::make_tuple(a.to, b.from, int{packed_construction_code(b.packed)}, packed_location_code(b.packed)),
            std::make_tuple(12, 12, 200, 31));
}

}  // namespace
}  // namespace korvo
