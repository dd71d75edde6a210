// RecordTable: a fixed number of records that are default records until the table is first used.
// The main window keeps thousands of geofence and BLE slots (megabytes) that most sessions never
// reach; their memory is taken when a record is first read or written, not when the window is
// made. Indexing and iteration are those of a vector of that size. Used on the GUI thread only.
#pragma once

#include <cstddef>
#include <vector>

template <typename T>
class RecordTable {
 public:
  explicit RecordTable(size_t count) : m_count(count) {}

  size_t size() const { return m_count; }
  T& operator[](size_t i) { return Rows()[i]; }
  const T& operator[](size_t i) const { return Rows()[i]; }
  typename std::vector<T>::iterator begin() { return Rows().begin(); }
  typename std::vector<T>::iterator end() { return Rows().end(); }
  typename std::vector<T>::const_iterator begin() const { return Rows().cbegin(); }
  typename std::vector<T>::const_iterator end() const { return Rows().cend(); }

 private:
  std::vector<T>& Rows() const {
    if (m_rows.size() != m_count) m_rows.resize(m_count);
    return m_rows;
  }

  size_t m_count;
  mutable std::vector<T> m_rows;
};
