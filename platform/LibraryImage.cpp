#include "platform/LibraryImage.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <stdlib.h>
#include <string.h>

#include "platform/ProcessInfo.h"

namespace {
link_map* MapOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP)) return nullptr;
  return map;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct NeededSearch {
  std::string wanted;
  bool found = false;
};

// Walks the program's dynamic section (the first object reported) for DT_NEEDED names.
int SearchProgram(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<NeededSearch*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type != PT_DYNAMIC) continue;
    const auto* dynamic = reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
    const char* strings = nullptr;
    for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; ++entry)
      if (entry->d_tag == DT_STRTAB) strings = reinterpret_cast<const char*>(entry->d_un.d_ptr);
    if (!strings) break;
    // The loader usually relocates the entry in place; an unrelocated one is an offset.
    if (reinterpret_cast<ElfW(Addr)>(strings) < info->dlpi_addr) strings += info->dlpi_addr;
    for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; ++entry)
      if (entry->d_tag == DT_NEEDED && search->wanted == strings + entry->d_un.d_val) search->found = true;
  }
  return 1;  // only the program itself
}
}  // namespace

std::string LibraryImage::PathOf(const void* address) {
  const link_map* map = MapOf(address);
  if (!map || !map->l_name || !*map->l_name) return ProcessInfo::ExecutablePath();
  char* full = realpath(map->l_name, nullptr);
  if (!full) return map->l_name;
  std::string path(full);
  free(full);
  return path;
}

const void* LibraryImage::BaseOf(const void* address) {
  Dl_info info{};
  return dladdr(address, &info) ? info.dli_fbase : nullptr;
}

bool LibraryImage::Pin(const void* address) {
  if (!InSharedLibrary(address)) return true;
  // A further reference with RTLD_NODELETE: dlclose never unmaps the library.
  return dlopen(PathOf(address).c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
}

bool LibraryImage::InSharedLibrary(const void* address) {
  const link_map* map = MapOf(address);
  return map && map->l_name && *map->l_name;
}

bool LibraryImage::LoadedWithProgram(const void* address) {
  if (!InSharedLibrary(address)) return true;
  // The name the loader found it by (not the resolved path: libc.so.6 may be a link).
  NeededSearch search{BaseName(MapOf(address)->l_name)};
  dl_iterate_phdr(SearchProgram, &search);
  return search.found;
}
