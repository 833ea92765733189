#include "settings/object_directory.h"

#include <map>
#include <mutex>
#include <utility>

namespace sorvik {
namespace {

// Created on first use and never destroyed, so that it outlives every thread that reads it.
std::map<std::string, std::any>& Directory() {
  static auto* directory = new std::map<std::string, std::any>();
  return *directory;
}

// Guards the map: the online step's thread looks the window up while the window registers or
// leaves.
std::mutex& DirectoryMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}

}  // namespace

void ObjectDirectory::SetEntry(const std::string& name, std::any object) {
  std::lock_guard<std::mutex> hold(DirectoryMutex());
  Directory()[name] = std::move(object);
}

std::any ObjectDirectory::FindEntry(const std::string& name) {
  std::lock_guard<std::mutex> hold(DirectoryMutex());
  auto it = Directory().find(name);
  return it == Directory().end() ? std::any() : it->second;
}

}  // namespace sorvik
