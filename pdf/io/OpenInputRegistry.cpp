#include "pdf/io/OpenInputRegistry.h"

#include <cstddef>
#include <map>
#include <mutex>

namespace pdf {

namespace {

struct TRegistry {
  std::mutex mutex;
  std::map<TFileIdentity, std::size_t> counts;
};

// Created on first use, so streams opened during static initialisation find it ready.
TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

}  // namespace

TOpenInputRegistration::TOpenInputRegistration(TFileIdentity identity) : identity_(identity) {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.mutex);
  ++registry.counts[identity_];
}

TOpenInputRegistration::~TOpenInputRegistration() {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.mutex);
  const auto entry = registry.counts.find(identity_);
  if (entry == registry.counts.end()) return;
  if (--entry->second == 0) registry.counts.erase(entry);
}

bool RunUnlessOpenInput(TFileIdentity identity, const std::function<bool()>& action) {
  TRegistry& registry = Registry();
  const std::lock_guard lock(registry.mutex);
  if (registry.counts.contains(identity)) return false;
  return action();
}

}  // namespace pdf
