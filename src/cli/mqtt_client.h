// A connection to an MQTT broker through libmosquitto: a last will, reconnects with back-off on
// libmosquitto's own thread, and the messages of the subscriptions queued for the caller's thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

struct mosquitto;
struct mosquitto_message;

namespace korvane::cli {

struct MqttOptions {
  std::string host;
  int port = 1883;
  std::string clientId;
  std::string username;
  std::string password;
  std::string caFile;  // not empty: TLS, the broker's certificate checked against this file
  std::string willTopic;
  std::string willPayload;
  std::string subscription;  // topic filter, subscribed on every (re)connect
  // Published (retained) on every (re)connect, before the subscription; each front end adds its
  // own retained messages to this with SetOnConnect.
  std::string onlineTopic;
  std::string onlinePayload;
};

struct MqttMessage {
  std::string topic;
  std::string payload;
};

class MqttClient {
 public:
  // Beyond these, incoming messages are dropped: a flood on the broker cannot grow the bridge.
  static constexpr size_t kQueueLimit = 64;
  static constexpr size_t kPayloadLimit = 256;

  // Throws std::runtime_error when libmosquitto refuses the options (a CA file it cannot read).
  explicit MqttClient(MqttOptions options);
  ~MqttClient();
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  // Starts the network thread; the first connection is made there, and every lost one again,
  // 1 s after the loss doubling up to 30 s.
  void Start();
  // Publishes the retained message and remembers it to publish again after a reconnect.
  void PublishRetained(const std::string& topic, const std::string& payload);
  void Publish(const std::string& topic, const std::string& payload);
  // The next message received, waiting at most timeoutMs; nullopt when none came.
  std::optional<MqttMessage> Next(int timeoutMs);
  // Messages dropped because the queue was full or they were too long, since the last call.
  size_t TakeDropped();
  // Publishes `offline` as the will would, disconnects cleanly and stops the network thread.
  void Stop(const std::string& topic, const std::string& payload);

 private:
  static void OnConnect(mosquitto*, void* self, int rc);
  static void OnDisconnect(mosquitto*, void* self, int rc);
  static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

  MqttOptions options_;
  mosquitto* mosq_ = nullptr;
  bool started_ = false;
  std::mutex mutex_;  // guards everything below
  std::condition_variable arrived_;
  std::deque<MqttMessage> queue_;
  size_t dropped_ = 0;
  std::deque<std::pair<std::string, std::string>> retained_;  // topic, payload: the last of each topic
  bool connected_ = false;
};

}  // namespace korvane::cli
