// set_load_configuration <program.exe>
//
// Points a 64-bit PE program's load-configuration data directory at its
// `_load_config_used` structure. GNU ld keeps that symbol but leaves the
// directory empty, so Windows would never read the structure (and with it
// DependentLoadFlags, which keeps the DLLs the program imports to the system
// folder). MSVC's linker fills the directory itself; MinGW builds run this
// after every link of a program that defines the structure.
//
// The structure is found through the program's COFF symbol table, so this
// runs on the linked program before any strip. Its RVA and its own Size
// field go into the directory; an entry already pointing there is left as
// it is, one pointing elsewhere is an error. A non-zero PE checksum is
// recomputed. Built for the build host: it reads and writes bytes only.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kLoadConfigDirectory = 10;
constexpr std::size_t kSymbolSize = 18;
constexpr unsigned char kExternalSymbol = 2;  // IMAGE_SYM_CLASS_EXTERNAL
constexpr std::size_t kSectionHeaderSize = 40;
// The structure must reach past DependentLoadFlags (offset 0x4E, two bytes).
constexpr std::uint32_t kSmallestUsefulSize = 0x50;
constexpr char kSymbolName[] = "_load_config_used";

class PeImage {
 public:
  explicit PeImage(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
    const std::uint32_t pe = u32(0x3C);
    if (u16(0) != 0x5A4D || u32(pe) != 0x00004550) fail("not a PE program");
    coff_ = pe + 4;
    optional_ = coff_ + 20;
    if (u16(optional_) != kPe32PlusMagic) fail("not a 64-bit (PE32+) program");
    if (u32(optional_ + 108) <= kLoadConfigDirectory) fail("too few data directories");
    sections_ = optional_ + u16(coff_ + 16);
  }

  const std::vector<unsigned char>& bytes() const { return bytes_; }

  // The RVA of the named external symbol, from the COFF symbol table.
  std::uint32_t symbol_rva(const std::string& name) const {
    const std::uint32_t table = u32(coff_ + 8);
    const std::uint32_t count = u32(coff_ + 12);
    if (table == 0 || count == 0) fail("no symbol table (was the program stripped?)");
    const std::size_t strings = table + std::size_t{count} * kSymbolSize;
    for (std::uint32_t index = 0; index < count; ++index) {
      const std::size_t symbol = table + std::size_t{index} * kSymbolSize;
      check_range(symbol, kSymbolSize);
      if (bytes_[symbol + 16] == kExternalSymbol && symbol_name(symbol, strings) == name) {
        const std::int16_t section = static_cast<std::int16_t>(u16(symbol + 12));
        if (section < 1 || section > section_count()) fail(name + " is in no section");
        return section_rva(static_cast<std::uint16_t>(section)) + u32(symbol + 8);
      }
      index += bytes_[symbol + 17];  // auxiliary records
    }
    fail("no symbol " + name + " in the program");
  }

  // The file offset of `size` bytes at `rva`, all inside one section's
  // file data.
  std::size_t offset_of(std::uint32_t rva, std::uint32_t size) const {
    for (std::uint16_t number = 1; number <= section_count(); ++number) {
      const std::size_t header = section_header(number);
      const std::uint32_t start = u32(header + 12);
      const std::uint32_t raw_size = u32(header + 16);
      if (rva >= start && std::uint64_t{rva} + size <= std::uint64_t{start} + raw_size) {
        const std::size_t offset = u32(header + 20) + std::size_t{rva - start};
        check_range(offset, size);
        return offset;
      }
    }
    fail("RVA " + hex(rva) + " is in no section's file data");
  }

  std::uint32_t directory_rva() const { return u32(directory()); }
  std::uint32_t directory_size() const { return u32(directory() + 4); }

  void set_directory(std::uint32_t rva, std::uint32_t size) {
    put_u32(directory(), rva);
    put_u32(directory() + 4, size);
    if (u32(optional_ + 64) != 0) put_u32(optional_ + 64, checksum());
  }

  std::uint32_t u32(std::size_t at) const {
    check_range(at, 4);
    return bytes_[at] | bytes_[at + 1] << 8 | bytes_[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
  }
  std::uint16_t u16(std::size_t at) const {
    check_range(at, 2);
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }

  [[noreturn]] static void fail(const std::string& message) { throw std::runtime_error(message); }

  static std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
  }

 private:
  std::size_t directory() const { return optional_ + 112 + kLoadConfigDirectory * 8; }
  std::uint16_t section_count() const { return u16(coff_ + 2); }
  std::size_t section_header(std::uint16_t number) const {
    return sections_ + std::size_t{number - 1u} * kSectionHeaderSize;
  }
  std::uint32_t section_rva(std::uint16_t number) const { return u32(section_header(number) + 12); }

  // A short name sits in the record itself; a long one in the string table
  // after the symbols, at the offset the record's second word holds.
  std::string symbol_name(std::size_t symbol, std::size_t strings) const {
    std::size_t at = symbol;
    std::size_t limit = symbol + 8;
    if (u32(symbol) == 0) {
      at = strings + u32(symbol + 4);
      check_range(at, 1);
      limit = bytes_.size();
    }
    const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(at);
    return std::string(first, std::find(first, bytes_.begin() + static_cast<std::ptrdiff_t>(limit), 0));
  }

  // The PE checksum: the 16-bit one's-complement sum of the file's words
  // with the checksum field taken as zero, plus the file's length.
  std::uint32_t checksum() const {
    const std::size_t field = optional_ + 64;
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < bytes_.size(); at += 2) {
      if (at == field || at == field + 2) continue;
      std::uint32_t word = bytes_[at];
      if (at + 1 < bytes_.size()) word |= bytes_[at + 1] << 8;
      sum += word;
      sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + bytes_.size());
  }

  void put_u32(std::size_t at, std::uint32_t value) {
    check_range(at, 4);
    for (int shift = 0; shift < 32; shift += 8) bytes_[at++] = static_cast<unsigned char>(value >> shift);
  }

  void check_range(std::size_t at, std::size_t size) const {
    if (at > bytes_.size() || size > bytes_.size() - at) fail("the program is cut short");
  }

  std::vector<unsigned char> bytes_;
  std::size_t coff_ = 0;
  std::size_t optional_ = 0;
  std::size_t sections_ = 0;
};

std::vector<unsigned char> read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) PeImage::fail(std::string("cannot open ") + path);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const char* path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) PeImage::fail(std::string("cannot write ") + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: set_load_configuration <program.exe>\n");
    return 2;
  }
  const char* path = argv[1];
  try {
    PeImage image(read_file(path));
    const std::uint32_t rva = image.symbol_rva(kSymbolName);
    const std::uint32_t size = image.u32(image.offset_of(rva, 4));
    if (size < kSmallestUsefulSize) {
      PeImage::fail(std::string(kSymbolName) + "'s Size " + PeImage::hex(size) +
                    " does not reach DependentLoadFlags");
    }
    image.offset_of(rva, size);  // the whole structure lies in the file
    if (image.directory_rva() == rva && image.directory_size() == size) {
      std::printf("%s: load configuration already at RVA %s, %u bytes\n", path,
                  PeImage::hex(rva).c_str(), static_cast<unsigned>(size));
      return 0;
    }
    if (image.directory_rva() != 0) {
      PeImage::fail("the load-configuration directory already points at " +
                    PeImage::hex(image.directory_rva()) + ", not at " + kSymbolName);
    }
    image.set_directory(rva, size);
    write_file(path, image.bytes());
    std::printf("%s: load configuration at RVA %s, %u bytes\n", path, PeImage::hex(rva).c_str(),
                static_cast<unsigned>(size));
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "set_load_configuration: %s: %s\n", path, error.what());
    return 1;
  }
}
