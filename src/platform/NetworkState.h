#pragma once

namespace quarrow {

// Whether the computer has an internet connection, as the system reports it.
class NetworkState {
public:
    virtual ~NetworkState() = default;
    virtual bool isConnected() const = 0;
};

// A fixed answer, for the simulated desktop and tests.
class FixedNetworkState final : public NetworkState {
public:
    explicit FixedNetworkState(bool connected) : m_connected(connected) {}
    bool isConnected() const override { return m_connected; }
    void setConnected(bool connected) { m_connected = connected; }

private:
    bool m_connected;
};

}  // namespace quarrow
