#include "settings/object_directory.h"

#include <map>

namespace sorvik {
namespace {

// Created on first use and never destroyed, so that it outlives every thread that reads it.
std::map<std::string, void*>& Directory() {
  static auto* directory = new std::map<std::string, void*>();
  return *directory;
}

}  // namespace

void ObjectDirectory::Set(const std::string& name, void* object) { Directory()[name] = object; }

void* ObjectDirectory::Find(const std::string& name) {
  auto it = Directory().find(name);
  return it == Directory().end() ? nullptr : it->second;
}

}  // namespace sorvik
