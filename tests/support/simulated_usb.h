#pragma once
// A simulated instrument on its own bus with the kernel's USB object opened on it, and a
// recording notifier in place of the message boxes. Time runs on the bus's virtual clock.

#include "codes.h"
#include "notifier.h"
#include "simulated_bus.h"
#include "simulated_instrument.h"
#include "trevan_error.h"
#include "usb.h"
#include "usb_windriver.h"

#include <memory>
#include <vector>

struct SimulatedUsb {
    explicit SimulatedUsb(int generation = _HW4, unsigned int bufferSize = 20096, bool open = true) {
        SimulatorConfig config;
        config.hardwareVersion = generation;
        config.programmed = true;
        bus = std::make_shared<SimulatedBus>(config);
        notifier = std::make_shared<RecordingNotifier>();
        setNotifier(notifier);
        get_error_text(); // empties the error stack
        usb = std::make_unique<USB>(bus);
        if (open) {
            opened = usb->init(_HW2, bufferSize);
            if (generation >= _HW3) usb->setVersion(generation);
        }
    }
    ~SimulatedUsb() {
        usb.reset();
        setNotifier(nullptr);
    }

    SimulatedInstrument& instrument() { return *bus->instrument(); }
    std::chrono::milliseconds now() { return bus->simulatedClock().now(); }
    // The control transfers logged since the last clear.
    std::vector<TransferRecord> controls() const {
        std::vector<TransferRecord> out;
        for (const TransferRecord& t : bus->transfers()) {
            if (t.kind == TransferRecord::Kind::Control) out.push_back(t);
        }
        return out;
    }
    std::vector<TransferRecord> bulks() const {
        std::vector<TransferRecord> out;
        for (const TransferRecord& t : bus->transfers()) {
            if (t.kind == TransferRecord::Kind::Bulk) out.push_back(t);
        }
        return out;
    }
    // The data bytes of the logged relay writes.
    std::vector<int> relayWrites() const {
        std::vector<int> out;
        for (const TransferRecord& t : controls()) {
            if (t.setup.request == 0xB5 && !t.data.empty()) out.push_back(t.data[0]);
        }
        return out;
    }

    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<RecordingNotifier> notifier;
    std::unique_ptr<USB> usb;
    bool opened = false;
};
