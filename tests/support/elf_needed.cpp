// Reading the dynamic section of an ELF file.
#include "support/elf_needed.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <fstream>

std::vector<std::string> elf_needed_libraries(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string file(static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())), '\0');
    in.seekg(0);
    in.read(file.data(), static_cast<std::streamsize>(file.size()));
    std::vector<std::string> needed;
    Elf64_Ehdr header;
    if (file.size() < sizeof header) {
        return needed;
    }
    std::memcpy(&header, file.data(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64) {
        return needed;
    }
    auto section = [&](std::size_t index) {
        Elf64_Shdr s{};
        const std::size_t at = header.e_shoff + index * header.e_shentsize;
        if (at + sizeof s <= file.size()) {
            std::memcpy(&s, file.data() + at, sizeof s);
        }
        return s;
    };
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr dynamic = section(i);
        if (dynamic.sh_type != SHT_DYNAMIC) {
            continue;
        }
        const Elf64_Shdr strings = section(dynamic.sh_link);
        for (std::size_t at = dynamic.sh_offset;
             at + sizeof(Elf64_Dyn) <= dynamic.sh_offset + dynamic.sh_size &&
             at + sizeof(Elf64_Dyn) <= file.size();
             at += sizeof(Elf64_Dyn)) {
            Elf64_Dyn entry;
            std::memcpy(&entry, file.data() + at, sizeof entry);
            const std::size_t name = strings.sh_offset + entry.d_un.d_val;
            if (entry.d_tag == DT_NEEDED && name < file.size()) {
                needed.emplace_back(file.c_str() + name);
            }
        }
    }
    return needed;
}
