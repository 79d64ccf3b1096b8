#include "cli/mqtt_client.h"

#include <mosquitto.h>

#include <chrono>
#include <iostream>
#include <stdexcept>
#include <utility>

namespace korvane::cli {

namespace {

constexpr int kKeepAliveS = 30;
constexpr unsigned kReconnectFirstS = 1;
constexpr unsigned kReconnectMaxS = 30;
// Status and commands are worth a broker's acknowledgement.
constexpr int kQos = 1;

struct LibraryInit {
  LibraryInit() { mosquitto_lib_init(); }
  ~LibraryInit() { mosquitto_lib_cleanup(); }
};

}  // namespace

MqttClient::MqttClient(MqttOptions options) : options_(std::move(options)) {
  static LibraryInit init;
  mosq_ = mosquitto_new(options_.clientId.c_str(), true, this);
  if (!mosq_) throw std::runtime_error("cannot make an MQTT client");
  mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_connect_callback_set(mosq_, &MqttClient::OnConnect);
  mosquitto_disconnect_callback_set(mosq_, &MqttClient::OnDisconnect);
  mosquitto_message_callback_set(mosq_, &MqttClient::OnMessage);
  mosquitto_reconnect_delay_set(mosq_, kReconnectFirstS, kReconnectMaxS, true);
  if (!options_.willTopic.empty()) {
    mosquitto_will_set(mosq_, options_.willTopic.c_str(), static_cast<int>(options_.willPayload.size()),
                       options_.willPayload.data(), kQos, true);
  }
  if (!options_.username.empty()) {
    mosquitto_username_pw_set(mosq_, options_.username.c_str(),
                              options_.password.empty() ? nullptr : options_.password.c_str());
  }
  if (!options_.caFile.empty()) {
    const int rc = mosquitto_tls_set(mosq_, options_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      mosquitto_destroy(mosq_);
      throw std::runtime_error("cannot use the CA file '" + options_.caFile + "': " + mosquitto_strerror(rc));
    }
  }
}

MqttClient::~MqttClient() {
  if (started_) mosquitto_loop_stop(mosq_, true);
  mosquitto_destroy(mosq_);
}

void MqttClient::Start() {
  // A broker that is not there yet is tried again by the network thread, as a lost one is.
  const int rc = mosquitto_connect_async(mosq_, options_.host.c_str(), options_.port, kKeepAliveS);
  if (rc != MOSQ_ERR_SUCCESS) {
    std::cerr << "mqtt: cannot reach the broker at " << options_.host << ":" << options_.port << " ("
              << (rc == MOSQ_ERR_ERRNO ? "connection failed" : mosquitto_strerror(rc)) << "); trying again\n";
  }
  if (mosquitto_loop_start(mosq_) != MOSQ_ERR_SUCCESS) throw std::runtime_error("cannot start the MQTT thread");
  started_ = true;
}

void MqttClient::PublishRetained(const std::string& topic, const std::string& payload) {
  {
    const std::lock_guard lock(mutex_);
    // Not connected: the connect publishes what is remembered here.
    const bool connected = connected_;
    bool found = false;
    for (auto& [t, p] : retained_) {
      if (t == topic) {
        p = payload;
        found = true;
      }
    }
    if (!found) retained_.emplace_back(topic, payload);
    if (!connected) return;
  }
  mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), kQos, true);
}

void MqttClient::Publish(const std::string& topic, const std::string& payload) {
  mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), kQos, false);
}

std::optional<MqttMessage> MqttClient::Next(int timeoutMs) {
  std::unique_lock lock(mutex_);
  arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !queue_.empty(); });
  if (queue_.empty()) return std::nullopt;
  MqttMessage message = std::move(queue_.front());
  queue_.pop_front();
  return message;
}

size_t MqttClient::TakeDropped() {
  const std::lock_guard lock(mutex_);
  return std::exchange(dropped_, 0);
}

void MqttClient::Stop(const std::string& topic, const std::string& payload) {
  if (!started_) return;
  bool connected;
  {
    const std::lock_guard lock(mutex_);
    connected = connected_;
  }
  if (connected) {
    int mid = 0;
    mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), kQos, true);
  }
  // The network thread sends what is queued before the DISCONNECT it is asked for.
  mosquitto_disconnect(mosq_);
  mosquitto_loop_stop(mosq_, false);
  started_ = false;
}

void MqttClient::OnConnect(mosquitto* mosq, void* self, int rc) {
  auto* client = static_cast<MqttClient*>(self);
  if (rc != 0) {
    std::cerr << "mqtt: the broker refused the connection: " << mosquitto_connack_string(rc) << "\n";
    return;
  }
  std::cerr << "mqtt: connected to " << client->options_.host << ":" << client->options_.port << "\n";
  std::deque<std::pair<std::string, std::string>> retained;
  {
    const std::lock_guard lock(client->mutex_);
    client->connected_ = true;
    retained = client->retained_;
  }
  const MqttOptions& o = client->options_;
  if (!o.onlineTopic.empty()) {
    mosquitto_publish(mosq, nullptr, o.onlineTopic.c_str(), static_cast<int>(o.onlinePayload.size()),
                      o.onlinePayload.data(), kQos, true);
  }
  // A broker that restarted without persistence has forgotten the retained state.
  for (const auto& [topic, payload] : retained) {
    mosquitto_publish(mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), kQos, true);
  }
  if (!o.subscription.empty()) mosquitto_subscribe(mosq, nullptr, o.subscription.c_str(), kQos);
}

void MqttClient::OnDisconnect(mosquitto*, void* self, int rc) {
  auto* client = static_cast<MqttClient*>(self);
  {
    const std::lock_guard lock(client->mutex_);
    client->connected_ = false;
  }
  if (rc != 0) std::cerr << "mqtt: lost the broker; reconnecting\n";
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* client = static_cast<MqttClient*>(self);
  const std::lock_guard lock(client->mutex_);
  if (client->queue_.size() >= kQueueLimit || message->payloadlen < 0 ||
      static_cast<size_t>(message->payloadlen) > kPayloadLimit) {
    ++client->dropped_;
    return;
  }
  client->queue_.push_back({message->topic, std::string(static_cast<const char*>(message->payload),
                                                        static_cast<size_t>(message->payloadlen))});
  client->arrived_.notify_one();
}

}  // namespace korvane::cli
