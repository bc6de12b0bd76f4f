#include "upload/UploadStrings.h"

#include <map>

namespace kdx::upload {
namespace {

const std::map<int, const char*>& Table()
{
    static const std::map<int, const char*> table = {
        {IDS_FILE_FILTER, "KDX触屏工程编译文件(*.kdpbin)|*.kdpbin|所有文件(*.*)|*.*||"},
        {IDS_NEED_FILE, "请提供一个有效的工程文件\r\n"},
        {IDS_NEED_BAUD, "请选择一个通信波特率\r\n"},
        {IDS_NEED_PORT, "请选择一个通信端口\r\n"},
        {IDS_START_FAILED, "启动异步发送失败\r\n"},
        {IDS_FILE_TOO_BIG, "*文件太大(%I64u K)\r\n"},
        {IDS_NOT_COMPILED, "*不是KDX触屏工程编译文件\r\n"},
        {IDS_FILE_DAMAGED, "*文件已经损坏\r\n"},
        {IDS_READ_FAILED, "*读取文件失败\r\n"},
        {IDS_LOADING, ">正在加载文件...\r\n"},
        {IDS_FILE_CHECKED, ">文件校验完毕（软件版本：%d.%d；硬件标识：%X；屏幕分辨率：%d x "
                           "%d；屏幕色深：%d；工程备注：%s）\r\n"},
        {IDS_OPENING_PORT, ">正在打开端口...\r\n"},
        {IDS_PORT_ERROR, "*打开端口错误，可能端口已被占用或是不支持所指定的波特率\r\n"},
        {IDS_PORT_GROUP_HINT, "!没有读写该端口的权限：请把当前用户加入拥有该设备的用户组“%s”"
                              "（sudo usermod -aG %s 用户名），重新登录后再试\r\n"},
        {IDS_PORT_MISSING, "*打开端口错误，端口“%s”不存在\r\n"},
        {IDS_PORT_IS_FOLDER, "*打开端口错误，“%s”是一个文件夹，不是串口\r\n"},
        {IDS_PORT_IS_FIFO, "*打开端口错误，“%s”是一个命名管道（FIFO），不是串口\r\n"},
        {IDS_PORT_NOT_TERMINAL, "*打开端口错误，“%s”不是终端设备，不是串口\r\n"},
        {IDS_SEND_ERROR, "*发送数据错误\r\n"},
        {IDS_REPLY_ERROR, "*读取返回数据错误\r\n"},
        {IDS_MODEL_MISMATCH, "*不匹配的终端型号\r\n"},
        {IDS_NO_SPACE, "*终端空间不足\r\n"},
        {IDS_CRC_RETRY, "*CRC错误，重试%d次\r\n"},
        {IDS_UNKNOWN_REPLY, "*无法识别的终端响应代码\r\n"},
        {IDS_CONNECTING, ">正在以“%d”波特连接...\r\n"},
        {IDS_CONNECTED, ">已连接\r\n"},
        {IDS_NO_TERMINAL, "*未能检测到终端，请确保终端已正确连接\r\n"},
        {IDS_BAUD_SET, ">终端波特率已设置为“%d”\r\n"},
        {IDS_BAUD_NOT_SET, "*未能设置终端波特率\r\n"},
        {IDS_SENDING, ">正在发送数据(%u字节)...\r\n"},
        {IDS_PROGRESS, ">已发送%u(%u%%)，%.0f字节/秒，剩余%.1f秒\r\n"},
        {IDS_SEND_DONE, ">发送完毕\r\n"},
        {IDS_ASK_STOP, "正在发送数据，确定要停止操作吗？\r\n"},
        {IDS_CANCELLED, ">用户取消操作！！！\r\n"},
    };
    return table;
}

} // namespace

const char* RawString(int id)
{
    auto it = Table().find(id);
    return it == Table().end() ? "" : it->second;
}

QString LoadString(int id) { return QString::fromUtf8(RawString(id)); }

} // namespace kdx::upload
