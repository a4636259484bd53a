#include "buffer_average_data.h"

#include <cstdint>

namespace {

// Truncating division of the sums by the small counts of averaging, by multiplication: exact
// while |sum| < 2^40 / count, which every sum of count shorts meets for counts up to 4096.
constexpr int EXACT_SHIFT = 40;
constexpr int MULTIPLIED_COUNTS = 4096;

void meansOf(const std::int32_t* sum, const std::int32_t* count, int positions, int records, short* out) {
    if (records > MULTIPLIED_COUNTS) {
        for (int k = 0; k < positions; ++k) out[k] = count[k] ? static_cast<short>(sum[k] / count[k]) : EMPTY_SAMPLE;
        return;
    }
    std::uint64_t multiplier[MULTIPLIED_COUNTS + 1];
    multiplier[0] = 0;
    for (int c = 1; c <= records; ++c)
        multiplier[c] =
            ((std::uint64_t(1) << EXACT_SHIFT) + static_cast<std::uint64_t>(c) - 1) / static_cast<std::uint64_t>(c);
    for (int k = 0; k < positions; ++k) {
        const std::int32_t s = sum[k];
        const std::uint64_t magnitude = static_cast<std::uint64_t>(s < 0 ? -static_cast<std::int64_t>(s) : s);
        const auto q = static_cast<std::int64_t>((magnitude * multiplier[count[k]]) >> EXACT_SHIFT);
        out[k] = count[k] ? static_cast<short>(s < 0 ? -q : q) : EMPTY_SAMPLE;
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
    const std::size_t positions = static_cast<std::size_t>(std::max(size, 0));
    h.p_data.reset(new (std::nothrow) short[total]);
    h.p_sum.reset(new (std::nothrow) std::int32_t[positions]());
    h.p_count.reset(new (std::nothrow) std::int32_t[positions]());
    if (!h.p_data || !h.p_sum || !h.p_count) {
        h = History{};
        push_error(_ERR_MEMORY, "kernel\\buffer_average_data", __LINE__);
        return false;
    }
    h.d_size = size;
    h.d_written = 0;
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
        if (!h || !h->p_data) continue;
        std::fill_n(h->p_data.get(), static_cast<std::size_t>(h->d_size) * d_numberOfAverage, value);
        const bool empty = value == EMPTY_SAMPLE;
        std::fill_n(h->p_sum.get(), h->d_size, empty ? 0 : std::int32_t(value) * d_numberOfAverage);
        std::fill_n(h->p_count.get(), h->d_size, empty ? 0 : d_numberOfAverage);
        h->d_written = empty ? 0 : h->d_size;
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
    meansOf(h->p_sum.get(), h->p_count.get(), h->d_written, d_numberOfAverage, out);
    std::fill(out + h->d_written, out + h->d_size, EMPTY_SAMPLE);
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
    short& at = h->p_data[static_cast<std::size_t>(index) * h->d_size + pos];
    const std::int32_t was = at != EMPTY_SAMPLE, is = value != EMPTY_SAMPLE;
    h->p_sum[pos] += is * value - was * at;
    h->p_count[pos] += is - was;
    if (is) h->d_written = std::max(h->d_written, pos + 1);
    at = value;
}

void BufferAverageData<short>::setHistoryRecord(int index, int ch, const short* values, int count) {
    if (index < 0 || index >= d_numberOfAverage || d_numberOfAverage < 2 || count <= 0) return;
    assert((ch == _CH1 || ch == _CH2) && "ch_ == _CH1 || ch_ == _CH2");
    History* h = history(ch);
    assert(h && h->p_data && "p_bufferAverageData[index_].p_buffer != 0");
    assert(count <= h->d_size && "count_ <= size");
    short* slot = h->p_data.get() + static_cast<std::size_t>(index) * h->d_size;
    std::int32_t* sum = h->p_sum.get();
    std::int32_t* used = h->p_count.get();
    for (int k = 0; k < count; ++k) {
        const std::int32_t old = slot[k], v = values[k];
        const std::int32_t was = old != EMPTY_SAMPLE, is = v != EMPTY_SAMPLE;
        sum[k] += is * v - was * old;
        used[k] += is - was;
        slot[k] = static_cast<short>(v);
    }
    h->d_written = std::max(h->d_written, count);
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
