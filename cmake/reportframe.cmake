# The frame and CSV export that every record book shares.
target_sources(kvcore PRIVATE
    ui/common/reportframe.h ui/common/reportframe.cpp
)
