// noncopyableobject: an empty base that forbids copying its derived class.
#pragma once

namespace kvKorvaneV10_0_3::kvThread {

class noncopyableobject {
public:
    noncopyableobject(const noncopyableobject&) = delete;
    noncopyableobject& operator=(const noncopyableobject&) = delete;

protected:
    noncopyableobject() = default;
    ~noncopyableobject() = default;
};

}  // namespace kvKorvaneV10_0_3::kvThread
