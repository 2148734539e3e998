#include "bench/drive/host_stalls.h"

#include <linux/perf_event.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace tavik::drive {

namespace {

// Each sample costs the sampled thread an interrupt, which on a virtual machine means a trip
// through the host: at 100 µs the answers measured took a third longer. The host's stalls seen
// here are 2 to 8 ms long.
constexpr double samplePeriod = 500e-6; // seconds
// A sample this late counts: a timer interrupt held off by the guest itself is a few µs late,
// not a millisecond.
constexpr double lateAfter = 3 * samplePeriod;
constexpr size_t ringPages = 64; // 256 KB: seconds of samples, drained every 5 ms
constexpr double keptFor = 30;   // seconds of stalls kept to answer for

double secondsOf(Clock::time_point at) {
    return std::chrono::duration<double>(at.time_since_epoch()).count();
}

int openSampler(long tid) {
    perf_event_attr attr{};
    attr.size = sizeof attr;
    attr.type = PERF_TYPE_SOFTWARE;
    attr.config = PERF_COUNT_SW_CPU_CLOCK;
    attr.sample_period = uint64_t(samplePeriod * 1e9);
    attr.sample_type = PERF_SAMPLE_TIME;
    attr.use_clockid = 1;
    attr.clockid = CLOCK_MONOTONIC; // the clock steady_clock reads
    attr.context_switch = 1;        // a record at each switch in and out
    attr.sample_id_all = 1;         // and with it, its time
    return int(::syscall(SYS_perf_event_open, &attr, pid_t(tid), -1, -1, PERF_FLAG_FD_CLOEXEC));
}

} // namespace

HostStalls::HostStalls(const std::vector<long>& tids) {
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    for (const long tid : tids) {
        const int fd = openSampler(tid);
        if (fd < 0) {
            why_ = std::string("perf events refused: ") + std::strerror(errno);
            continue;
        }
        const size_t bytes = (ringPages + 1) * page;
        void* ring = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (ring == MAP_FAILED) {
            why_ = std::string("perf buffer refused: ") + std::strerror(errno);
            ::close(fd);
            continue;
        }
        threads_.push_back({fd, ring, bytes, false, 0});
    }
    if (tids.empty()) {
        why_ = "no thread to watch";
    }
}

HostStalls::~HostStalls() {
    for (Thread& thread : threads_) {
        ::munmap(thread.ring, thread.ringBytes);
        ::close(thread.fd);
    }
}

void HostStalls::read() {
    for (Thread& thread : threads_) {
        readThread(thread);
    }
    if (!stalls_.empty()) {
        const double cutoff = stalls_.back().to - keptFor;
        std::erase_if(stalls_, [&](const Stall& stall) { return stall.to < cutoff; });
    }
}

void HostStalls::readThread(Thread& thread) {
    auto* header = static_cast<perf_event_mmap_page*>(thread.ring);
    const auto* data = static_cast<const unsigned char*>(thread.ring) + header->data_offset;
    const uint64_t size = header->data_size;
    const uint64_t head = __atomic_load_n(&header->data_head, __ATOMIC_ACQUIRE);
    uint64_t tail = header->data_tail;
    // Records may wrap at the ring's end; each is copied out whole before it is read.
    unsigned char record[64];
    while (tail + sizeof(perf_event_header) <= head) {
        perf_event_header event;
        for (size_t i = 0; i < sizeof event; ++i) {
            reinterpret_cast<unsigned char*>(&event)[i] = data[(tail + i) % size];
        }
        if (event.size < sizeof event || tail + event.size > head) {
            break;
        }
        const size_t length = std::min<size_t>(event.size, sizeof record);
        for (size_t i = 0; i < length; ++i) {
            record[i] = data[(tail + i) % size];
        }
        tail += event.size;
        // Samples hold their time right after the header; the other records carry it last, in
        // the sample_id their attributes ask for.
        uint64_t nanoseconds = 0;
        if (event.type == PERF_RECORD_SAMPLE && length >= sizeof event + 8) {
            std::memcpy(&nanoseconds, record + sizeof event, 8);
            note(thread, double(nanoseconds) / 1e9, false, false);
        } else if (event.type == PERF_RECORD_SWITCH && length >= sizeof event + 8) {
            std::memcpy(&nanoseconds, record + length - 8, 8);
            const bool out = (event.misc & PERF_RECORD_MISC_SWITCH_OUT) != 0;
            note(thread, double(nanoseconds) / 1e9, out, !out);
        } else if (event.type == PERF_RECORD_LOST || event.type == PERF_RECORD_THROTTLE ||
                   event.type == PERF_RECORD_UNTHROTTLE) {
            // Samples went missing or were held back on purpose: no gap until the next is
            // a stall.
            thread.running = false;
        }
    }
    __atomic_store_n(&header->data_tail, tail, __ATOMIC_RELEASE);
}

void HostStalls::note(Thread& thread, double at, bool switchedOut, bool switchedIn) {
    if (switchedIn) {
        thread.running = true;
        thread.lastTick = at;
        return;
    }
    if (thread.running && at - thread.lastTick > lateAfter) {
        stalls_.push_back({thread.lastTick + samplePeriod, at});
    }
    thread.running = !switchedOut;
    thread.lastTick = at;
}

double HostStalls::stalledMs(Clock::time_point from, Clock::time_point to) {
    read();
    const double begin = secondsOf(from);
    const double end = secondsOf(to);
    std::vector<Stall> within;
    for (const Stall& stall : stalls_) {
        const double left = std::max(stall.from, begin);
        const double right = std::min(stall.to, end);
        if (left < right) {
            within.push_back({left, right});
        }
    }
    std::sort(within.begin(), within.end(),
              [](const Stall& a, const Stall& b) { return a.from < b.from; });
    // Two threads stalled at once cost the answer that time once.
    double total = 0;
    double reached = begin;
    for (const Stall& stall : within) {
        const double left = std::max(stall.from, reached);
        if (stall.to > left) {
            total += stall.to - left;
            reached = stall.to;
        }
    }
    return total * 1e3;
}

std::vector<long> threadsNamed(long pid, const std::string& name) {
    std::vector<long> tids;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream comm(entry.path() / "comm");
        std::string thread;
        std::getline(comm, thread);
        if (thread == name) {
            tids.push_back(std::atol(entry.path().filename().c_str()));
        }
    }
    return tids;
}

} // namespace tavik::drive
