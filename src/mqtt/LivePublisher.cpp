#include "mqtt/LivePublisher.h"

#include <QSocketNotifier>
#include <QtGlobal>

namespace orv {

LivePublisher::LivePublisher(QObject* parent) : QObject(parent) {
    timer_.setInterval(250);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (publisher_) {
            publisher_->service();
            afterCall();
        }
    });
}

LivePublisher::~LivePublisher() {
    finish(std::chrono::milliseconds(500));
}

void LivePublisher::configure(const MqttPreferences& preferences) {
    finish();
    refusalReported_ = false;
    if (!preferences.enabled || mqttPreferencesProblem(preferences)) {
        return;
    }
    publisher_ = std::make_unique<MqttPublisher>(
        preferences.settings, [](const std::string& line) { qInfo("%s", line.c_str()); });
    timer_.start();
}

void LivePublisher::sampleStored(const Measurement& m, double time,
                                 std::optional<std::vector<std::string>> alarms) {
    if (!publisher_) {
        return;
    }
    PublishedSample sample = publishedSampleOf(m, time);
    sample.alarms = std::move(alarms);
    publisher_->publishSample(sample);
    afterCall();
}

void LivePublisher::publishEvent(const std::string& serial, const std::string& json) {
    if (publisher_) {
        publisher_->publishEvent(serial, json);
        afterCall();
    }
}

void LivePublisher::finish(std::chrono::milliseconds limit) {
    timer_.stop();
    dropNotifiers();
    if (publisher_) {
        publisher_->finish(limit);
        publisher_.reset();
    }
}

void LivePublisher::afterCall() {
    if (!publisher_) {
        return;
    }
    followSocket();
    if (publisher_->refusal() && !refusalReported_) {
        refusalReported_ = true;
        emit refused(QString::fromStdString(*publisher_->refusal()));
    }
}

void LivePublisher::dropNotifiers() {
    // Later: this may run inside one of their own signals.
    for (QSocketNotifier* n : {readNotifier_, writeNotifier_}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    readNotifier_ = writeNotifier_ = nullptr;
    socket_ = -1;
}

void LivePublisher::followSocket() {
    const int fd = publisher_->socket();
    if (fd != socket_) {
        dropNotifiers();
        socket_ = fd;
        if (fd >= 0) {
            readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(readNotifier_, &QSocketNotifier::activated, this, [this] {
                publisher_->readable();
                afterCall();
            });
            writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            connect(writeNotifier_, &QSocketNotifier::activated, this, [this] {
                publisher_->writable();
                afterCall();
            });
        }
    }
    if (writeNotifier_) {
        // Only while the client has something to write, or the notifier would fire all the time.
        writeNotifier_->setEnabled(publisher_->wantsWrite());
    }
}

} // namespace orv
