#pragma once

// A tree shaped like the kernel's sysfs and /proc in a test's own folder, for the Linux cable
// reader under RKT5_SYSFS_ROOT: USB devices under sys/devices with their links in
// sys/bus/usb/devices, interfaces with a driver link and a tty, and processes with open files.

#include <filesystem>
#include <fstream>
#include <string>

namespace rkt5::test {

class FakeSysfs {
  public:
    struct UsbDevice {
        std::string location;  // "1-2"
        std::string vendorId;  // "1a86", as the kernel writes it
        std::string productId;
        std::string serial;  // none when empty
        std::string product;
        std::string driver;  // bound to interface 1.0; none when empty
        std::string tty;     // "ttyUSB0" (usb-serial), "ttyACM0" (cdc_acm) or none
        int devnum = 2;
    };

    explicit FakeSysfs(std::filesystem::path root) : root_(std::move(root)) {
        std::filesystem::create_directories(root_ / "sys/bus/usb/devices");
        std::filesystem::create_directories(root_ / "sys/bus/usb-serial/devices");
        std::filesystem::create_directories(root_ / "proc");
    }

    void add(const UsbDevice& usb) const {
        namespace fs = std::filesystem;
        const fs::path device = root_ / "sys/devices/pci0000:00/0000:00:14.0/usb1" / usb.location;
        write(device / "idVendor", usb.vendorId);
        write(device / "idProduct", usb.productId);
        write(device / "product", usb.product);
        write(device / "busnum", "1");
        write(device / "devnum", std::to_string(usb.devnum));
        if (!usb.serial.empty()) {
            write(device / "serial", usb.serial);
        }
        fs::create_directory_symlink(
            "../../../devices/pci0000:00/0000:00:14.0/usb1/" + usb.location,
            root_ / "sys/bus/usb/devices" / usb.location);
        const std::string interfaceName = usb.location + ":1.0";
        const fs::path interface = device / interfaceName;
        write(interface / "bInterfaceNumber", "00");
        fs::create_directory_symlink(
            "../../../devices/pci0000:00/0000:00:14.0/usb1/" + usb.location + "/" + interfaceName,
            root_ / "sys/bus/usb/devices" / interfaceName);
        if (!usb.driver.empty()) {
            fs::create_directories(root_ / "sys/bus/usb/drivers" / usb.driver);
            fs::create_directory_symlink("../../../../../../bus/usb/drivers/" + usb.driver,
                                         interface / "driver");
        }
        if (usb.tty.starts_with("ttyUSB")) {
            write(interface / usb.tty / "port_number", "0");
            fs::create_directory_symlink("../../../devices/pci0000:00/0000:00:14.0/usb1/" +
                                             usb.location + "/" + interfaceName + "/" + usb.tty,
                                         root_ / "sys/bus/usb-serial/devices" / usb.tty);
        } else if (!usb.tty.empty()) {
            write(interface / "tty" / usb.tty / "dev", "166:0");
        }
    }

    // The usb-serial driver's latency timer of `tty` on the device at `location`.
    void latency(const std::string& tty, int milliseconds) const {
        write(root_ / "sys/bus/usb-serial/devices" / tty / "latency_timer",
              std::to_string(milliseconds));
    }

    // A process named `program` with `file` open ("" for none).
    void process(int pid, const std::string& program, const std::string& file = {}) const {
        const std::filesystem::path dir = root_ / "proc" / std::to_string(pid);
        write(dir / "comm", program);
        std::filesystem::create_directories(dir / "fd");
        if (!file.empty()) {
            std::filesystem::create_symlink(file, dir / "fd" / "3");
        }
    }

  private:
    static void write(const std::filesystem::path& file, const std::string& line) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << line << "\n";
    }

    std::filesystem::path root_;
};

}  // namespace rkt5::test
