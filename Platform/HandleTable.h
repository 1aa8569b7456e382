// Handles of the stand-ins: integer values mapped to shared objects under a lock. Values come from
// one counter for all tables, step 4 from 4, and are never reused, so a handle is never null or
// INVALID_HANDLE_VALUE, a closed handle stays invalid, and a handle of one kind is unknown to
// the table of another.
#pragma once

#include "Platform/Windows.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace Platform {

std::uintptr_t nextHandleValue();

template <class Object>
class HandleTable {
public:
    HANDLE insert(std::shared_ptr<Object> object) {
        const std::uintptr_t value = nextHandleValue();
        const std::lock_guard lock(m_mutex);
        m_objects.emplace(value, std::move(object));
        return reinterpret_cast<HANDLE>(value);
    }

    // The object behind `handle`, or null. The caller's share keeps it alive while a CloseHandle
    // on another thread removes it from the table.
    std::shared_ptr<Object> find(HANDLE handle) const {
        const std::lock_guard lock(m_mutex);
        const auto entry = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
        return entry == m_objects.end() ? nullptr : entry->second;
    }

    // Removes `handle`; false when it is not in the table.
    bool erase(HANDLE handle) {
        std::shared_ptr<Object> removed;
        const std::lock_guard lock(m_mutex);
        const auto entry = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
        if (entry == m_objects.end()) {
            return false;
        }
        removed = std::move(entry->second);
        m_objects.erase(entry);
        return true;
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::uintptr_t, std::shared_ptr<Object>> m_objects;
};

} // namespace Platform
