#include "input/binary_read_ahead.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/errors.h"
#include "network_writer.h"

namespace korvo {
namespace {

using fixtures::AuxNetworkWriter;
using fixtures::LinkEntry;
using fixtures::LoadedNetworkWriter;
using fixtures::NetworkHeader;

// A network of n links of P periods and S slots, with its auxiliary file of
// aux_records records (the records of links n + 1 ... are missing), a LINK
// record that breaks the stride after broken_after links (-1: none) and a
// short auxiliary record at short_aux (1-based; 0: none).
struct NetworkCase {
  int links;
  int periods;
  int slots;
  std::size_t block;
  int aux_records;  // -1: no auxiliary file
  int broken_after = -1;
  int short_aux = 0;
};

struct NetworkFiles {
  std::string network;
  std::string aux;
};

NetworkFiles network_files(const NetworkCase& c) {
  NetworkHeader header;
  header.set_word(header_word::kPeriods, static_cast<std::int16_t>(c.periods));
  header.set_word(header_word::kSlots, static_cast<std::int16_t>(c.slots));
  header.set_word(header_word::kNodeLayout, 1);
  std::ostringstream network;
  {
    LoadedNetworkWriter writer(network, header, 3);
    for (int i = 1; i <= c.links; ++i) {
      if (i - 1 == c.broken_after) writer.write_record("LINK", std::vector<std::int32_t>{1, 2, 3});
      LinkEntry e;
      e.anode = static_cast<std::uint32_t>(i);
      e.bnode = static_cast<std::uint32_t>(1000 + i);
      e.capacity = static_cast<std::uint32_t>(100 * i);
      e.time = static_cast<std::uint32_t>(i % 4000);
      e.count = static_cast<std::uint32_t>(7 * i);
      e.facility_type = static_cast<std::uint32_t>(i % 7);
      e.distance = static_cast<std::uint32_t>(i % 3000);
      for (int p = 1; p <= c.periods; ++p) e.period_times.push_back(10 * p + i);
      for (int v = 0; v < c.periods * c.slots; ++v) e.volumes.push_back(50 * i + 100 * v);  // cumulative-safe
      writer.add_link(e);
    }
    writer.finish();
  }
  std::ostringstream aux;
  AuxNetworkWriter aux_writer(aux);
  for (int i = 1; i <= c.aux_records; ++i) {
    aux_writer.add({i, 1000 + i, 0,
                    fixtures::pack_aux_codes(static_cast<std::uint32_t>(i % 9), static_cast<std::uint32_t>(i % 31))});
  }
  std::string aux_bytes = aux.str();
  if (c.short_aux > 0) {
    // Records are 4 + 10 + 4 bytes: cut record short_aux to 6 bytes.
    const std::size_t at = 18 * static_cast<std::size_t>(c.short_aux - 1);
    std::string shorter = aux_bytes.substr(0, at);
    const char marker[4] = {6, 0, 0, 0};
    shorter.append(marker, 4).append(aux_bytes, at + 4, 6).append(marker, 4);
    aux_bytes = shorter + aux_bytes.substr(at + 18);
  }
  return {network.str(), aux_bytes};
}

// Everything a link delivery gives: the link's fields and its auxiliary record.
using LinkView = std::tuple<std::int32_t, std::int32_t, std::int16_t, std::int32_t, std::int16_t, std::int32_t,
                            std::int16_t, std::int16_t, std::array<std::int16_t, kMaxPeriods + 1>,
                            std::vector<std::int32_t>, std::int32_t, std::int32_t, std::uint32_t>;

LinkView view_of(const LinkRecord& l, const AuxNetworkRecord* aux) {
  return {l.anode,
          l.bnode,
          l.direction,
          l.capacity,
          l.time,
          l.count,
          l.facility_type,
          l.distance,
          l.period_times,
          std::vector<std::int32_t>(l.volumes.begin(), l.volumes.begin() + 3 * kMaxPeriods),
          aux != nullptr ? aux->from : -1,
          aux != nullptr ? aux->to : -1,
          aux != nullptr ? aux->packed : 0u};
}

struct Reading {
  std::vector<LinkView> links;
  std::string error = "no error";
  LinkView last;
};

// The two files opened as the driver opens them.
struct OpenedNetwork {
  explicit OpenedNetwork(const NetworkFiles& f, bool with_aux) : files(f) {
    binary.stream = ByteStream::from_memory(files.network, "HRLDXY.05A");
    binary.records = FortranRecordReader(&binary.stream);
    read_binary_header(binary);
    set_binary_slot_counts(binary.header, link);
    if (with_aux) {
      aux.stream = ByteStream::from_memory(files.aux, "VOLNAUX.05A");
      aux.records = FortranRecordReader(&aux.stream);
      aux.open = true;
    }
  }
  NetworkFiles files;
  BinaryNetwork binary;
  AuxNetworkFile aux;
  LinkRecord link;
};

// As the link loop reads on one thread: the link, then its auxiliary record.
Reading read_on_one_thread(const NetworkFiles& files, bool with_aux) {
  OpenedNetwork n(files, with_aux);
  Reading r;
  try {
    while (read_binary_link(n.binary, n.link) == LinkStatus::kLink) {
      AuxNetworkRecord record;
      if (with_aux) record = read_aux_network_record(n.aux, n.link.anode, n.link.bnode);
      r.links.push_back(view_of(n.link, with_aux ? &record : nullptr));
    }
  } catch (const FileError& e) {
    r.error = e.what();
  }
  r.last = view_of(n.link, nullptr);
  return r;
}

Reading read_with_read_ahead(const NetworkFiles& files, bool with_aux, std::size_t block) {
  OpenedNetwork n(files, with_aux);
  Reading r;
  try {
    BinaryReadAhead ahead(n.binary, with_aux ? &n.aux : nullptr, n.link, block);
    while (ahead.next(n.link) == LinkStatus::kLink) r.links.push_back(view_of(n.link, ahead.aux_record()));
    if (ahead.next(n.link) != LinkStatus::kEndOfLinks) r.error = "a link after the end";
  } catch (const FileError& e) {
    r.error = e.what();
  }
  r.last = view_of(n.link, nullptr);
  return r;
}

TEST(BinaryReadAhead, DeliversWhatTheReadersDeliverAcrossBlockEnds) {
  const NetworkCase cases[] = {
      {0, 1, 1, 4, 0},          {1, 1, 1, 4, 1},      {4, 1, 2, 4, 4},
      {13, 1, 2, 4, 13},                                                        // blocks and one over
      {13, 1, 2, 4, -1},        {40, 3, 2, 1, 40},    {9, 0, 0, 4, 9},          // cumulative volumes; no volumes
      {9000, 1, 2, 4096, 9000},                                                 // the default block size
      {13, 1, 2, 4, 8},         {13, 1, 2, 4, 12},    {5, 1, 2, 4, 4},          // the auxiliary file ends early
      {13, 1, 2, 4, 13, 8},     {13, 1, 2, 4, -1, 4}, {13, 1, 2, 4, 13, 0, 5},  // a broken record; a short one
      {13, 1, 2, 4, 13, 0, 4},
  };
  for (const NetworkCase& c : cases) {
    const NetworkFiles files = network_files(c);
    const bool with_aux = c.aux_records >= 0;
    const Reading plain = read_on_one_thread(files, with_aux);
    const Reading ahead = read_with_read_ahead(files, with_aux, c.block);
    const std::string label = std::to_string(c.links) + " links P " + std::to_string(c.periods) + " S " +
                              std::to_string(c.slots) + ", blocks of " + std::to_string(c.block) + ", aux " +
                              std::to_string(c.aux_records) + ", broken after " + std::to_string(c.broken_after) +
                              ", short aux " + std::to_string(c.short_aux);
    ASSERT_EQ(ahead.links.size(), plain.links.size()) << label;
    EXPECT_TRUE(ahead.links == plain.links) << label;
    EXPECT_EQ(ahead.error, plain.error) << label;
    EXPECT_TRUE(ahead.last == plain.last) << label << ": the link when the reading ended";
    const bool aux_short = with_aux && (c.aux_records < c.links || c.short_aux > 0);
    EXPECT_EQ(plain.error != "no error", aux_short || c.broken_after >= 0) << label << ": " << plain.error;
  }
}

TEST(BinaryReadAhead, StopsWhenTheLoopEndsEarly) {
  const NetworkFiles files = network_files({500, 1, 2, 4, 500});
  for (int taken : {0, 1, 7, 100}) {
    OpenedNetwork n(files, true);
    {
      BinaryReadAhead ahead(n.binary, &n.aux, n.link, 4);
      for (int i = 0; i < taken; ++i) ASSERT_EQ(ahead.next(n.link), LinkStatus::kLink);
    }
    EXPECT_EQ(n.link.anode, taken);
  }
}

}  // namespace
}  // namespace korvo
