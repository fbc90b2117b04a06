#pragma once

#include "Object.h"

namespace vidrune::fgsim {

// The local server (home of buffers, camera and VIC objects) or the board server.
class Server : public Object {
public:
    explicit Server(bool isBoard) : isBoard_(isBoard) {}
    FgObjectKind Kind() const override { return FG_KIND_SERVER; }
    bool IsBoard() const { return isBoard_; }

    static constexpr char kBoardName[] = "Stravik-2_1";

private:
    const bool isBoard_;
};

} // namespace vidrune::fgsim
