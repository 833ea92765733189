// The settings store over arbitrary Config.xml bytes: reading never fails, and a Set followed by
// a fresh load gives back the new value while every other setting reads as before; a settings
// file the store has written must load again whatever it was made from.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "settings/config_store.h"
#include "settings/xml_file.h"

namespace sorvik {
namespace {

std::vector<std::string> KeysToCheck(const std::string& key) {
  return {key,
          kConfigShortcutKey,
          kConfigAutorun,
          kConfigDragCopy,
          kConfigIndexRemovable,
          kConfigIndexPosition,
          kConfigIndexUpdateFreq,
          "key",
          ""};
}

}  // namespace
}  // namespace sorvik

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, 3);
  const std::string path = fuzz::ScratchFolder::Get().Fresh() + "\\Config.xml";
  fuzz::WriteFileBytes(path, parts[0]);
  const std::string key = fuzz::WithoutZeros(parts[1]);
  const std::string value = fuzz::WithoutZeros(parts[2]);

  // A file the store cannot read is kept, byte for byte, before the first Set writes a new one.
  TiXmlDocument probe;
  const bool unreadable = ReadXmlFile(path, &probe) == XmlRead::kUnreadable;
  ConfigStore store(path);
  std::vector<std::string> before;
  for (const std::string& k : KeysToCheck(key)) before.push_back(store.GetString(k, "<missing>"));
  store.Set(key, value);
  std::string held;
  if (!store.Get(key, &held) || held != value) std::abort();

  if (unreadable && fuzz::ReadFileBytes(path + ".bad") != parts[0]) std::abort();
  ConfigStore reloaded(path);
  const std::vector<std::string> keys = KeysToCheck(key);
  for (size_t i = 0; i < keys.size(); ++i) {
    const std::string now = reloaded.GetString(keys[i], "<missing>");
    if (keys[i] == key ? now != value : now != before[i]) std::abort();
  }
  return 0;
}
