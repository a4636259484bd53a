#include "buffer_average_data.h"

#include <cstdint>

namespace {

// Positions averaged per pass: the sums and counts of one pass stay in the first-level cache
// while every history record streams through once.
constexpr int AVERAGE_CHUNK = 1024;

void averageRecords(const short* history, int records, int size, short* out) {
    std::int32_t sum[AVERAGE_CHUNK];
    std::int32_t count[AVERAGE_CHUNK];
    for (int start = 0; start < size; start += AVERAGE_CHUNK) {
        const int n = std::min(AVERAGE_CHUNK, size - start);
        std::fill_n(sum, n, 0);
        std::fill_n(count, n, 0);
        for (int j = 0; j < records; ++j) {
            const short* r = history + static_cast<std::ptrdiff_t>(j) * size + start;
            for (int k = 0; k < n; ++k) {
                const std::int32_t v = r[k];
                const std::int32_t used = v != EMPTY_SAMPLE;
                sum[k] += used * v;
                count[k] += used;
            }
        }
        for (int k = 0; k < n; ++k)
            out[start + k] = count[k] ? static_cast<short>(sum[k] / count[k]) : EMPTY_SAMPLE;
    }
}

} // namespace

BufferAverageData<short>::~BufferAverageData() = default;

BufferAverageData<short>::History* BufferAverageData<short>::history(int ch) {
    if (d_numberOfAverage < 2) return nullptr;
    if (ch == _CH1) return &d_historyCh1;
    if (ch == _CH2) return &d_historyCh2;
    return nullptr;
}

const BufferAverageData<short>::History* BufferAverageData<short>::history(int ch) const {
    return const_cast<BufferAverageData*>(this)->history(ch);
}

bool BufferAverageData<short>::allocateHistory(int ch, int size) {
    History& h = ch == _CH1 ? d_historyCh1 : d_historyCh2;
    h.p_data.reset();
    h.d_size = 0;
    const std::size_t total = static_cast<std::size_t>(std::max(size, 0)) * static_cast<std::size_t>(d_numberOfAverage);
    h.p_data.reset(new (std::nothrow) short[total]);
    if (!h.p_data) {
        push_error(_ERR_MEMORY, "kernel\\buffer_average_data", __LINE__);
        return false;
    }
    h.d_size = size;
    std::fill_n(h.p_data.get(), total, EMPTY_SAMPLE);
    return true;
}

void BufferAverageData<short>::dropHistory() {
    d_historyCh1 = History{};
    d_historyCh2 = History{};
}

void BufferAverageData<short>::init() {
    BufferData<short>::init();
    dropHistory();
    d_numberOfAverage = 1;
}

void BufferAverageData<short>::releaseAll() {
    release(_CH1);
    release(_CH2);
    dropHistory();
    d_numberOfAverage = 0;
}

bool BufferAverageData<short>::resize(int size, int ch) {
    if (!BufferData<short>::resize(size, ch)) return false;
    if (!history(ch)) return true;
    return allocateHistory(ch, size);
}

bool BufferAverageData<short>::reallocate(int ch) {
    assert((ch == _CH1 || ch == _CH2) && "ch_ == _CH1 || ch_ == _CH2");
    const int size = ch == _CH1 ? d_previousSizeCh1 : d_previousSizeCh2;
    assert(size > 0 && "size > 0");
    if (!allocate(size, ch)) return false;
    BufferData<short>::fill(ch, EMPTY_SAMPLE);
    if (!history(ch)) return true;
    return allocateHistory(ch, size);
}

void BufferAverageData<short>::release(int ch) {
    BufferData<short>::release(ch);
    if (History* h = history(ch)) *h = History{};
}

bool BufferAverageData<short>::createWithAverage(int size, int number, int ch) {
    assert(size > 0 && "size_ > 0");
    assert(number > 0 && "number_ > 0");
    return allocateWithAverage(size, number, ch);
}

bool BufferAverageData<short>::allocateWithAverage(int size, int number, int ch) {
    if (!allocate(size, ch)) return false;
    return setNumberOfAverage(number, ch);
}

bool BufferAverageData<short>::setNumberOfAverage(int /*size_*/, int number, int ch) {
    assert(number > 0 && "number_ > 0");
    dropHistory();
    d_numberOfAverage = number;
    if (number == 1) return true;
    bool ok = true;
    if (ch == _CH1 || ch == 0) ok = allocateHistory(_CH1, d_bufferSizeCh1);
    if (ok && (ch == _CH2 || ch == 0)) ok = allocateHistory(_CH2, d_bufferSizeCh2);
    if (!ok) {
        dropHistory();
        d_numberOfAverage = 1;
    }
    return ok;
}

bool BufferAverageData<short>::setNumberOfAverage(int number, int ch) {
    return setNumberOfAverage(size(ch), number, ch);
}

void BufferAverageData<short>::fill(int ch, short value, bool withHistory) {
    BufferData<short>::fill(ch, value);
    if (!withHistory) return;
    for (int c : {_CH1, _CH2}) {
        if (ch != 0 && ch != c) continue;
        History* h = history(c);
        if (h && h->p_data)
            std::fill_n(h->p_data.get(), static_cast<std::size_t>(h->d_size) * d_numberOfAverage, value);
    }
}

bool BufferAverageData<short>::average(int ch) {
    assert((ch == _CH1 || ch == _CH2) && "ch_ == _CH1 || ch_ == _CH2");
    if (d_numberOfAverage == 1) return true;
    assert(d_numberOfAverage >= 2 && "d_numberOfAverage >= 2");
    short* out = data(ch);
    const History* h = history(ch);
    if (!out) {
        push_error(_ERR_NULL_MEMORY, "kernel\\buffer_average_data", ch == _CH1 ? 250 : 257);
        return false;
    }
    // A history built for another size (or not for this channel) has nothing to average.
    if (!h || !h->p_data || h->d_size != size(ch)) {
        push_error(_ERR_NULL_MEMORY, "kernel\\buffer_average_data", __LINE__);
        return false;
    }
    averageRecords(h->p_data.get(), d_numberOfAverage, h->d_size, out);
    return true;
}

short BufferAverageData<short>::getHistory(int index, int ch, int pos) const {
    // No history at all (averaging off) reads like an index outside it.
    if (index < 0 || index >= d_numberOfAverage || d_numberOfAverage < 2) return 0;
    if (ch != _CH1 && ch != _CH2) return 0;
    const History* h = history(ch);
    assert(h && h->p_data && "p_bufferAverageData[index_].p_buffer != 0");
    assert(pos >= 0 && pos < h->d_size && "pos_ >= 0 && pos_ < size");
    return h->p_data[static_cast<std::size_t>(index) * h->d_size + pos];
}

void BufferAverageData<short>::setHistory(int index, int ch, int pos, short value) {
    if (index < 0 || index >= d_numberOfAverage || d_numberOfAverage < 2) return;
    assert((ch == _CH1 || ch == _CH2) && "ch_ == _CH1 || ch_ == _CH2");
    History* h = history(ch);
    assert(h && h->p_data && "p_bufferAverageData[index_].p_buffer != 0");
    assert(pos >= 0 && pos < h->d_size && "pos_ >= 0 && pos_ < size");
    h->p_data[static_cast<std::size_t>(index) * h->d_size + pos] = value;
}

int AverageSlotCounter::slot(int count) {
    if (count != d_count) {
        d_count = count;
        d_slot = 0;
    }
    if (d_slot >= count) d_slot = 0;
    return d_slot;
}

void AverageSlotCounter::advance(int count) {
    d_slot = slot(count) + 1;
    if (d_slot >= count) d_slot = 0;
}
