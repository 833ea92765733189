#include "settings/object_directory.h"

#include <map>
#include <mutex>

namespace sorvik {
namespace {

// Created on first use and never destroyed, so that it outlives every thread that reads it.
std::map<std::string, void*>& Directory() {
  static auto* directory = new std::map<std::string, void*>();
  return *directory;
}

// Guards the map: the notice fetcher inserts its entry from the background thread while the
// window's timer looks entries up.
std::mutex& DirectoryMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}

}  // namespace

void ObjectDirectory::Set(const std::string& name, void* object) {
  std::lock_guard<std::mutex> hold(DirectoryMutex());
  Directory()[name] = object;
}

void* ObjectDirectory::Find(const std::string& name) {
  std::lock_guard<std::mutex> hold(DirectoryMutex());
  auto it = Directory().find(name);
  return it == Directory().end() ? nullptr : it->second;
}

}  // namespace sorvik
