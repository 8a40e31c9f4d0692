<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>About PON power meter...</source>
        <translation>关于 PON 功率计...</translation>
    </message>
    <message>
        <source>Pon Managerment Software V1.0</source>
        <translation>PON 管理软件 V1.0</translation>
    </message>
    <message>
        <source>Version:20200302</source>
        <translation>版本：20200302</translation>
    </message>
</context>
<context>
    <name>Application</name>
    <message>
        <source>There has been a same software operating now!</source>
        <translation>本软件已经在运行！</translation>
    </message>
</context>
<context>
    <name>ArchiveRecordModel</name>
    <message>
        <source>Downloaded</source>
        <translation>下载时间</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
</context>
<context>
    <name>ArchiveSettingsDialog</name>
    <message>
        <source>Test Connection</source>
        <translation>测试连接</translation>
    </message>
    <message>
        <source>Archive Settings</source>
        <translation>归档设置</translation>
    </message>
    <message>
        <source>Every download and import is kept in the archive. Give an SQLite file, a PostgreSQL server as postgresql://HOST/DATABASE?user=ROLE, or a libpq service as service=NAME. Leave it empty for the file on this PC:
%1
Passwords belong in ~/.pgpass or the service file, never here.</source>
        <translation>每次下载和导入的数据都保存在归档中。请填写一个 SQLite 文件、形如 postgresql://HOST/DATABASE?user=ROLE 的 PostgreSQL 服务器，或形如 service=NAME 的 libpq 服务。留空则使用本机上的文件：
%1
密码应写在 ~/.pgpass 或服务文件中，切勿写在这里。</translation>
    </message>
    <message>
        <source>This session uses the archive that %1 names; the setting applies when neither the command line nor QX390D_ARCHIVE chooses one.</source>
        <translation>本次会话使用 %1 指定的归档；仅当命令行和 QX390D_ARCHIVE 都未指定归档时，此设置才生效。</translation>
    </message>
    <message>
        <source>Connecting to %1...</source>
        <translation>正在连接 %1...</translation>
    </message>
    <message>
        <source>Connected: %1</source>
        <translation>已连接：%1</translation>
    </message>
    <message>
        <source>Not usable: %1</source>
        <translation>不可用：%1</translation>
    </message>
    <message>
        <source>The archive setting is not kept: %1</source>
        <translation>归档设置未能保存：%1</translation>
    </message>
</context>
<context>
    <name>ArchiveStore</name>
    <message>
        <source>the Qt SQL driver %1 is not installed</source>
        <translation>未安装 Qt SQL 驱动 %1</translation>
    </message>
    <message>
        <source>the folder %1 cannot be created</source>
        <translation>无法创建文件夹 %1</translation>
    </message>
    <message>
        <source>the file holds tables, but it is not an archive of this program; it is left as it is</source>
        <translation>该文件含有数据表，但不是本程序的归档；未对其做任何改动</translation>
    </message>
    <message>
        <source>the archive was written by a newer version of the program (schema %1; this one knows up to %2); it is left as it is</source>
        <translation>该归档由更新版本的程序写入（架构 %1；本程序最高只支持 %2）；未对其做任何改动</translation>
    </message>
    <message>
        <source>a newer program changed the schema</source>
        <translation>更新版本的程序更改了架构</translation>
    </message>
    <message>
        <source>%1 (migration to schema %2)</source>
        <translation>%1（迁移到架构 %2 时）</translation>
    </message>
    <message>
        <source>a limit set vanished while it was written</source>
        <translation>一组限值在写入过程中消失了</translation>
    </message>
    <message>
        <source>a record could neither be stored nor found</source>
        <translation>有一条记录既无法存入也无法找到</translation>
    </message>
    <message>
        <source>there is no download %1</source>
        <translation>不存在编号为 %1 的下载</translation>
    </message>
    <message>
        <source>The archive could not be written: %1</source>
        <translation>无法写入归档：%1</translation>
    </message>
    <message>
        <source>The archive could not be written: %1. The records are kept on this PC (%2) and will be sent at the next successful connection.</source>
        <translation>无法写入归档：%1。记录已保存在本机（%2），将在下次成功连接时发送。</translation>
    </message>
    <message>
        <source>The archive could not be written: %1. The records could not be kept on this PC either: %2</source>
        <translation>无法写入归档：%1。记录也无法保存在本机：%2</translation>
    </message>
    <message>
        <source>%1: archive schema %2, %3 records</source>
        <translation>%1：归档架构 %2，%3 条记录</translation>
    </message>
    <message>
        <source>there is no archive here</source>
        <translation>此处没有归档</translation>
    </message>
    <message>
        <source> (this server login lacks the right; the administrator grants it with the role %1)</source>
        <translation>（此服务器登录名缺少该权限；管理员可通过角色 %1 授予）</translation>
    </message>
    <message>
        <source>the archive has schema %1 and this program needs %2: the administrator must run `qx390d-cli archive init` as the database&apos;s owner</source>
        <translation>归档的架构为 %1，本程序需要 %2：管理员须以数据库所有者身份运行 `qx390d-cli archive init`</translation>
    </message>
    <message>
        <source>archive init runs as the database&apos;s owner</source>
        <translation>archive init 须以数据库所有者身份运行</translation>
    </message>
    <message>
        <source>download %1 was archived by the server login &apos;%2&apos;; only that login changes its note, not &apos;%3&apos; (the administrator, as the owner, can)</source>
        <translation>下载 %1 由服务器登录名“%2”归档；只有该登录名能修改其备注，“%3”不能（管理员作为所有者可以）</translation>
    </message>
    <message>
        <source>the login %1 lacks the %2 right there (%3)</source>
        <translation>登录名 %1 在该处没有 %2 权限（%3）</translation>
    </message>
    <message>
        <source>The archive could not be written: %1. The records are kept on this PC (%2) until the login is given that right, or they are sent to another archive with qx390d-cli archive pending --send-to.</source>
        <translation>无法写入归档：%1。记录保存在本机（%2），直到该登录名获得此权限，或用 qx390d-cli archive pending --send-to 将其发送到另一个归档。</translation>
    </message>
    <message>
        <source>the program is ending</source>
        <translation>程序正在退出</translation>
    </message>
    <message>
        <source>; what is kept on this PC could not be sent: %1</source>
        <translation>；保存在本机的内容未能发送：%1</translation>
    </message>
    <message>
        <source>no record %1; no place was assigned</source>
        <translation>不存在记录 %1；未分配任何地点</translation>
    </message>
    <message>
        <source>the download %1 is not archived</source>
        <translation>下载 %1 未归档</translation>
    </message>
    <message>
        <source>row %1 of the download %2 is not archived</source>
        <translation>下载 %2 的第 %1 行未归档</translation>
    </message>
    <message>
        <source>the database driver&apos;s own connection cannot be reached</source>
        <translation>无法访问数据库驱动程序自身的连接</translation>
    </message>
    <message>
        <source>is a directory</source>
        <translation>是一个文件夹</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>文件系统为只读</translation>
    </message>
    <message>
        <source>no space left on the disk</source>
        <translation>磁盘已无剩余空间</translation>
    </message>
    <message>
        <source>it was kept for the archive %1, which is no longer at %2</source>
        <translation>它是为存档 %1 保留的，而该存档已不在 %2</translation>
    </message>
    <message>
        <source>write timeout: the write took longer than its limit of %1 s (%2)</source>
        <translation>写入超时：写入超过了 %1 秒的时限（%2）</translation>
    </message>
    <message>
        <source> (it belongs to another login&apos;s downloads)</source>
        <translation>（它属于另一个登录名的下载）</translation>
    </message>
    <message>
        <source>waited for the writers&apos; turn: %1</source>
        <translation>等待写入轮次：%1</translation>
    </message>
    <message>
        <source>waited for the writers&apos; turn, held by %1: %2</source>
        <translation>等待写入轮次，由 %1 占用：%2</translation>
    </message>
    <message>
        <source>the roles %1, %2 and %3 must exist first (README)</source>
        <translation>必须先创建角色 %1、%2 和 %3（见 README）</translation>
    </message>
    <message>
        <source>every login could create temporary tables in the database %1</source>
        <translation>所有登录名都可以在数据库 %1 中创建临时表</translation>
    </message>
    <message>
        <source>every login could create objects in the schema %1</source>
        <translation>所有登录名都可以在模式 %1 中创建对象</translation>
    </message>
    <message>
        <source>%1: revoked</source>
        <translation>%1：已撤销</translation>
    </message>
    <message>
        <source>every login may still create objects that the archive&apos;s functions could be made to use; this login cannot revoke that. As a superuser run: %1</source>
        <translation>所有登录名仍可创建存档函数可能被诱导使用的对象；此登录名无法撤销该权限。请以超级用户身份运行：%1</translation>
    </message>
    <message>
        <source>%1 of the records are not this login&apos;s to assign (they came with another login&apos;s downloads; a crew lead may assign them); no place was assigned</source>
        <translation>其中 %1 条记录不能由此登录名分配（它们来自另一个登录名的下载；班组负责人可以分配）；未分配任何位置</translation>
    </message>
    <message numerus="yes">
        <source>; sent %n download(s) kept on this PC</source>
        <translation>
            <numerusform>；保存在本机的 %n 次下载已发送</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ArchiveTarget</name>
    <message>
        <source>--archive and --archive-service exclude each other</source>
        <translation>--archive 与 --archive-service 不能同时使用</translation>
    </message>
    <message>
        <source>service= needs the name of a libpq service</source>
        <translation>service= 需要一个 libpq 服务名</translation>
    </message>
    <message>
        <source>a service name holds a control character or a &apos;;&apos;</source>
        <translation>服务名含有控制字符或“;”</translation>
    </message>
</context>
<context>
    <name>ArchiveWindow</name>
    <message>
        <source>From</source>
        <translation>从</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source>Open in Data Page</source>
        <translation>在数据页打开</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>导出 CSV...</translation>
    </message>
    <message>
        <source>Export Workbook...</source>
        <translation>导出工作簿...</translation>
    </message>
    <message>
        <source>Export Report (PDF)...</source>
        <translation>导出报告 (PDF)...</translation>
    </message>
    <message>
        <source>Archive</source>
        <translation>归档</translation>
    </message>
    <message>
        <source>Any group</source>
        <translation>所有组</translation>
    </message>
    <message>
        <source>Group %1</source>
        <translation>组 %1</translation>
    </message>
    <message>
        <source>Any verdict</source>
        <translation>所有判定</translation>
    </message>
    <message>
        <source>No verdict</source>
        <translation>无判定</translation>
    </message>
    <message>
        <source>Note contains...</source>
        <translation>备注包含...</translation>
    </message>
    <message>
        <source>The newest %1 records; more as the list scrolls</source>
        <translation>最新的 %1 条记录；滚动列表可显示更多</translation>
    </message>
    <message>
        <source>1 record</source>
        <translation>1 条记录</translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation>%1 条记录</translation>
    </message>
    <message>
        <source>The note could not be kept in the archive: %1</source>
        <translation>备注未能保存到归档中：%1</translation>
    </message>
    <message>
        <source>The data page holds at most %1 records; select %1 or fewer.</source>
        <translation>数据页最多容纳 %1 条记录；请选择不超过 %1 条记录。</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>The archive could not be read: %1</source>
        <translation>无法读取归档：%1</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>正在读取...</translation>
    </message>
    <message numerus="yes">
        <source>(%n new since the list was opened)</source>
        <translation>
            <numerusform>（打开列表后新增 %n 条）</numerusform>
        </translation>
    </message>
    <message>
        <source>Assign Job...</source>
        <translation>分配工单...</translation>
    </message>
    <message>
        <source>Job</source>
        <translation>工单</translation>
    </message>
    <message>
        <source>ONT</source>
        <translation>ONT</translation>
    </message>
    <message>
        <source>The job could not be assigned in the archive: %1</source>
        <translation>无法在归档中分配工单：%1</translation>
    </message>
    <message>
        <source>ONT History...</source>
        <translation>ONT 历史...</translation>
    </message>
    <message>
        <source>The records could not be read: %1</source>
        <translation>无法读取记录：%1</translation>
    </message>
    <message>
        <source>Jobs</source>
        <translation>工单</translation>
    </message>
    <message>
        <source>Job Report (PDF)...</source>
        <translation>工单报告 (PDF)...</translation>
    </message>
    <message>
        <source>The ONT has more than %1 records: the newest %1 are shown.</source>
        <translation>该 ONT 的记录超过 %1 条：仅显示最新的 %1 条。</translation>
    </message>
    <message>
        <source>The job&apos;s report could not be made: %1</source>
        <translation>无法生成该工单的报告：%1</translation>
    </message>
    <message>
        <source>drawing the report of %1...</source>
        <translation>正在绘制 %1 的报告...</translation>
    </message>
    <message>
        <source>Place History...</source>
        <translation>位置历史...</translation>
    </message>
</context>
<context>
    <name>AssignPlaceDialog</name>
    <message>
        <source>Assign Job</source>
        <translation>分配工单</translation>
    </message>
    <message>
        <source>(as each record has it)</source>
        <translation>（保持各记录原值）</translation>
    </message>
    <message numerus="yes">
        <source>%n selected record(s)</source>
        <translation>
            <numerusform>已选择 %n 条记录</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CalibrationPage</name>
    <message>
        <source>Input The Standard Power </source>
        <translation>输入标准功率 </translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>Factory Default</source>
        <translation>出厂默认值</translation>
    </message>
    <message>
        <source>dBm</source>
        <translation>dBm</translation>
    </message>
    <message>
        <source>Please input Number!</source>
        <translation>请输入数字！</translation>
    </message>
    <message>
        <source>There is no connection with the equipment so the calibration can&apos;t be done!</source>
        <translation>未连接设备，无法进行校准！</translation>
    </message>
    <message>
        <source>Please set the calibration value between -65 and 30</source>
        <translation>请将校准值设置在 -65 到 30 之间</translation>
    </message>
    <message>
        <source>Please enter a number.</source>
        <translation>请输入数字。</translation>
    </message>
    <message>
        <source>Restore the factory calibration of all four channels? The current calibration will be lost.</source>
        <translation>恢复全部四个通道的出厂校准吗？当前的校准将会丢失。</translation>
    </message>
    <message>
        <source>%1 — %2 calibrated against %3 dBm</source>
        <translation>%1 — %2 已按 %3 dBm 校准</translation>
    </message>
    <message>
        <source>%1 — factory calibration restored</source>
        <translation>%1 — 已恢复出厂校准</translation>
    </message>
</context>
<context>
    <name>CliArchive</name>
    <message>
        <source>the archive cannot be reached: %1</source>
        <translation>无法访问归档：%1</translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation>%1 条记录</translation>
    </message>
    <message>
        <source>%1 cannot be imported: %2</source>
        <translation>无法导入 %1：%2</translation>
    </message>
    <message>
        <source>%1: %2 records, %3 new (download %4)</source>
        <translation>%1：%2 条记录，其中 %3 条为新记录（下载 %4）</translation>
    </message>
    <message>
        <source>download %1: note set</source>
        <translation>下载 %1：已设置备注</translation>
    </message>
    <message>
        <source>copy --to names the archive itself</source>
        <translation>copy --to 指定的正是本归档</translation>
    </message>
    <message>
        <source>copied %1 of %2 downloads, then: %3</source>
        <translation>已复制 %2 个下载中的 %1 个，随后出错：%3</translation>
    </message>
    <message>
        <source>copied %1 downloads (%2 new records) to %3; %4 were there already</source>
        <translation>已将 %1 个下载（%2 条新记录）复制到 %3；另有 %4 个已经存在</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; is not a date (2022-09-20) or date-time (2022-09-20T13:11)</source>
        <translation>%1：“%2”不是日期 (2022-09-20) 或日期时间 (2022-09-20T13:11)</translation>
    </message>
    <message>
        <source>--group: &apos;%1&apos; is not 1, 2 or 3</source>
        <translation>--group：“%1”不是 1、2 或 3</translation>
    </message>
    <message>
        <source>--verdict: &apos;%1&apos; is not pass, marginal, over, fail or none</source>
        <translation>--verdict：“%1”不是 pass、marginal、over、fail 或 none</translation>
    </message>
    <message>
        <source>archive import needs a FILE</source>
        <translation>archive import 需要 FILE 参数</translation>
    </message>
    <message>
        <source>archive note needs a DOWNLOAD_ID (a number from archive downloads) and a TEXT</source>
        <translation>archive note 需要 DOWNLOAD_ID（archive downloads 列出的编号）和 TEXT</translation>
    </message>
    <message>
        <source>--no-archive leaves nothing for archive to work on</source>
        <translation>使用 --no-archive 时，archive 没有可操作的归档</translation>
    </message>
    <message>
        <source>archive does not use the meter; --port and --demo are for its commands</source>
        <translation>archive 不使用功率计；--port 和 --demo 用于操作功率计的命令</translation>
    </message>
    <message>
        <source>--since, --until, --group and --verdict are for archive list</source>
        <translation>--since、--until、--group 和 --verdict 仅用于 archive list</translation>
    </message>
    <message>
        <source>archive copy needs --to URL</source>
        <translation>archive copy 需要 --to URL</translation>
    </message>
    <message>
        <source>--to is for archive copy</source>
        <translation>--to 仅用于 archive copy</translation>
    </message>
    <message>
        <source>archived %1 records, %2 new (download %3)
</source>
        <translation>已归档 %1 条记录，其中 %2 条为新记录（下载 %3）
</translation>
    </message>
    <message>
        <source>%1: archive schema %2 ready</source>
        <translation>%1：归档架构 %2 已就绪</translation>
    </message>
    <message>
        <source>not sent yet</source>
        <translation>尚未发送</translation>
    </message>
    <message>
        <source>%1 downloads wait on this PC (%2)</source>
        <translation>%1 次下载在本机等待发送（%2）</translation>
    </message>
    <message>
        <source>sent %1 of %2 downloads, then: %3</source>
        <translation>已发送 %2 次下载中的 %1 次，随后：%3</translation>
    </message>
    <message>
        <source>--note is for archive list</source>
        <translation>--note 只用于 archive list</translation>
    </message>
    <message>
        <source>--send-to is for archive pending</source>
        <translation>--send-to 仅用于 archive pending</translation>
    </message>
    <message>
        <source>%1 records assigned</source>
        <translation>已分配 %1 条记录</translation>
    </message>
    <message>
        <source>the records&apos; places were not copied: %1</source>
        <translation>记录的地点未能复制：%1</translation>
    </message>
    <message>
        <source>copied the places of %1 records</source>
        <translation>已复制 %1 条记录的地点</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; is not an id (a number from archive downloads or archive list)</source>
        <translation>%1：“%2”不是编号（archive downloads 或 archive list 列出的数字）</translation>
    </message>
    <message>
        <source>--site, --pon-port and --technician are for archive assign</source>
        <translation>--site、--pon-port 和 --technician 仅用于 archive assign</translation>
    </message>
    <message>
        <source>archive assign needs the records: --download ID or --record ID</source>
        <translation>archive assign 需要指定记录：--download ID 或 --record ID</translation>
    </message>
    <message>
        <source>archive assign needs what to set: --job, --site, --ont, --pon-port or --technician</source>
        <translation>archive assign 需要指定要设置的内容：--job、--site、--ont、--pon-port 或 --technician</translation>
    </message>
    <message>
        <source>--ont is for archive list and archive assign</source>
        <translation>--ont 仅用于 archive list 和 archive assign</translation>
    </message>
    <message>
        <source>--job is for archive list, archive assign and archive report</source>
        <translation>--job 仅用于 archive list、archive assign 和 archive report</translation>
    </message>
    <message>
        <source>archive report needs --job TEXT and -o FILE.pdf</source>
        <translation>archive report 需要 --job TEXT 和 -o FILE.pdf</translation>
    </message>
    <message>
        <source>the report could not be made: %1</source>
        <translation>无法生成报告：%1</translation>
    </message>
    <message>
        <source>the report could not be made in %1 s</source>
        <translation>未能在 %1 秒内生成报告</translation>
    </message>
    <message>
        <source>%1: the report of the job %2</source>
        <translation>%1：工单 %2 的报告</translation>
    </message>
    <message>
        <source>downloads kept on this PC could not be sent to the archive and still wait (archive pending): %1</source>
        <translation>保存在本机的下载无法发送到档案，仍在等待（archive pending）：%1</translation>
    </message>
    <message>
        <source>archive needs list, downloads, import, note, copy, init, pending, assign, places, jobs or report</source>
        <translation>archive 需要 list、downloads、import、note、copy、init、pending、assign、places、jobs 或 report</translation>
    </message>
    <message>
        <source>archive: &apos;%1&apos; is not list, downloads, import, note, copy, init, pending, assign, places, jobs or report</source>
        <translation>archive：“%1”不是 list、downloads、import、note、copy、init、pending、assign、places、jobs 或 report</translation>
    </message>
    <message>
        <source>-o is for archive list, archive downloads, archive pending, archive places, archive jobs and archive report</source>
        <translation>-o 仅用于 archive list、archive downloads、archive pending、archive places、archive jobs 和 archive report</translation>
    </message>
    <message>
        <source>--format is for archive list, archive downloads, archive pending, archive places and archive jobs</source>
        <translation>--format 仅用于 archive list、archive downloads、archive pending、archive places 和 archive jobs</translation>
    </message>
    <message>
        <source>--download and --record are for archive assign and archive places</source>
        <translation>--download 和 --record 仅用于 archive assign 和 archive places</translation>
    </message>
    <message>
        <source>archive places needs the records: --download ID or --record ID</source>
        <translation>archive places 需要记录：--download ID 或 --record ID</translation>
    </message>
    <message>
        <source>no download %1 waits on this PC (archive pending lists them)</source>
        <translation>本机没有等待中的下载 %1（archive pending 会列出它们）</translation>
    </message>
    <message>
        <source>download %1 (%2 records, kept %3)</source>
        <translation>下载 %1（%2 条记录，保存于 %3）</translation>
    </message>
    <message>
        <source>discarding %1 deletes this PC&apos;s only copy of it; add --yes to go ahead</source>
        <translation>放弃%1会删除本机上它唯一的副本；加上 --yes 以继续</translation>
    </message>
    <message>
        <source>discarded %1</source>
        <translation>已放弃%1</translation>
    </message>
    <message>
        <source>--discard is for archive pending</source>
        <translation>--discard 仅用于 archive pending</translation>
    </message>
    <message>
        <source>--discard and --send-to exclude each other</source>
        <translation>--discard 与 --send-to 不能同时使用</translation>
    </message>
    <message numerus="yes">
        <source>delivered %n download(s) that waited on this PC</source>
        <translation>
            <numerusform>已送出 %n 个在本机等待的下载</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>sent %n download(s) kept on this PC to %1</source>
        <translation>
            <numerusform>已将保存在本机的 %n 次下载发送到 %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CliCommandLine</name>
    <message>
        <source> (see qx390d-cli --help)</source>
        <translation> (参见 qx390d-cli --help)</translation>
    </message>
    <message>
        <source>option %1 needs a value</source>
        <translation>选项 %1 需要一个值</translation>
    </message>
    <message>
        <source>unknown format &apos;%1&apos; (csv or json)</source>
        <translation>未知格式“%1”（应为 csv 或 json）</translation>
    </message>
    <message>
        <source>option %1 takes no value</source>
        <translation>选项 %1 不带值</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>未知选项“%1”</translation>
    </message>
    <message>
        <source>%1 needs %2</source>
        <translation>%1 需要 %2</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>未给出命令</translation>
    </message>
    <message>
        <source>last or all</source>
        <translation>last 或 all</translation>
    </message>
    <message>
        <source>delete: &apos;%1&apos; is neither last nor all</source>
        <translation>delete：“%1”既不是 last 也不是 all</translation>
    </message>
    <message>
        <source>get or set</source>
        <translation>get 或 set</translation>
    </message>
    <message>
        <source>a FILE</source>
        <translation>FILE 参数</translation>
    </message>
    <message>
        <source>thresholds: &apos;%1&apos; is neither get nor set</source>
        <translation>thresholds：“%1”既不是 get 也不是 set</translation>
    </message>
    <message>
        <source>a wavelength (1270, 1310, 1490 or 1577)</source>
        <translation>波长（1270、1310、1490 或 1577）</translation>
    </message>
    <message>
        <source>calibrate: %1 is not 1270, 1310, 1490 or 1577</source>
        <translation>calibrate：%1 不是 1270、1310、1490 或 1577</translation>
    </message>
    <message>
        <source>a power in dBm</source>
        <translation>以 dBm 为单位的功率</translation>
    </message>
    <message>
        <source>calibrate: &apos;%1&apos; is not a number</source>
        <translation>calibrate：“%1”不是数字</translation>
    </message>
    <message>
        <source>calibrate: %1 is outside -65…30</source>
        <translation>calibrate：%1 超出 -65…30 的范围</translation>
    </message>
    <message>
        <source>unknown command &apos;%1&apos;</source>
        <translation>未知命令“%1”</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>多余的参数“%1”</translation>
    </message>
    <message>
        <source>--port and --demo exclude each other</source>
        <translation>--port 与 --demo 不能同时使用</translation>
    </message>
    <message>
        <source>%1 writes no file; -o is for records and thresholds get</source>
        <translation>%1 不写文件；-o 仅用于 records 和 thresholds get</translation>
    </message>
    <message>
        <source>--format is for records only</source>
        <translation>--format 仅用于 records</translation>
    </message>
    <message>
        <source>--thresholds is for records --format json only</source>
        <translation>--thresholds 仅用于 records --format json</translation>
    </message>
    <message>
        <source>%1 changes the meter; add --yes to go ahead</source>
        <translation>%1 会更改功率计；加上 --yes 才会执行</translation>
    </message>
    <message>
        <source>--udev-rule is for ports only</source>
        <translation>--udev-rule 只用于 ports</translation>
    </message>
    <message>
        <source>--margin: &apos;%1&apos; is not a number of dB from 0 to 30</source>
        <translation>--margin：“%1”不是 0 到 30 之间的 dB 数值</translation>
    </message>
    <message>
        <source>--preset and --margin are for thresholds set --preset NAME</source>
        <translation>--preset 和 --margin 只用于 thresholds set --preset NAME</translation>
    </message>
    <message>
        <source>thresholds set --preset needs --group 1, 2 or 3</source>
        <translation>thresholds set --preset 需要 --group 1、2 或 3</translation>
    </message>
    <message>
        <source>Usage: qx390d-cli [--port DEVICE | --demo] [--quiet] COMMAND
The QX390D XG-PON optical power meter from scripts and terminals.

Commands:
  ports                                  the candidate ports, in the order they are tried
  records [-o FILE] [--format csv|json]  download every record (csv: as the program
          [--thresholds FILE]            exports it; json with FILE&apos;s verdicts)
  delete last|all --yes                  delete the last record, or all of them
  thresholds get [-o FILE]               the three threshold groups as a JSON file
  thresholds set FILE --yes              check a threshold file and upload it
  calibrate 1270|1310|1490|1577 DBM      calibrate a channel against a reference power
  factory-default --yes                  restore the factory calibration
  archive list [--since DATE] [--until DATE] [--group N] [--verdict V]
               [--format csv|json] [-o FILE]
                                         the archived records, newest first
  archive downloads [--format csv|json] [-o FILE]
                                         the archived downloads and imports
  archive import FILE...                 archive record tables (CSV, .xls, .xlsx)
  archive note DOWNLOAD_ID TEXT          set the note of a download
  archive copy --to URL                  copy the archive into another one
  archive init                           create or migrate it; grant the team&apos;s roles
  archive pending [--send-to URL] [--format csv|json] [-o FILE]
                                         the downloads kept on this PC for an archive
                                         not reached yet; or send them to URL
  archive pending --discard UUID --yes   let one of them go (this PC&apos;s copy)

Options:
  --port DEVICE  use DEVICE (a serial port or a pseudo-terminal) instead of searching
                 the USB serial ports
  --demo         start a virtual meter and use it
  --quiet        no progress and no notes; errors only
  -o FILE        write to FILE instead of standard output (&quot;-&quot;); a file is replaced
                 only once complete, a device or FIFO is written into
  --yes          let a command change the meter
  --archive PATH|postgresql://...|service=NAME
                 the archive to use (also QX390D_ARCHIVE); by default
                 archive.sqlite in the program&apos;s data folder
  --archive-service NAME  the PostgreSQL archive of a libpq service
  --no-archive   records keeps nothing in the archive
  -h, --help     show this text
  -v, -V, --version  show the version

Exit codes: 0 done, 1 the meter failed (no answer in time, unplugged, refused) or the
output could not be written, 2 usage, 3 the port cannot be found or opened, 4 records
downloaded but the download is in no archive nor kept on this PC.
</source>
        <translation>用法：qx390d-cli [--port DEVICE | --demo] [--quiet] COMMAND
在脚本和终端中使用 QX390D XG-PON 光功率计。

命令：
  ports                                  候选端口，按尝试的先后顺序列出
  records [-o FILE] [--format csv|json]  下载全部记录（csv：与程序导出的格式相同；
          [--thresholds FILE]            json：附带按 FILE 中的阈值得出的判定）
  delete last|all --yes                  删除最后一条记录，或删除全部记录
  thresholds get [-o FILE]               以 JSON 文件输出三个阈值组
  thresholds set FILE --yes              检查阈值文件并将其上传
  calibrate 1270|1310|1490|1577 DBM      按参考功率校准一个通道
  factory-default --yes                  恢复出厂校准
  archive list [--since DATE] [--until DATE] [--group N] [--verdict V]
               [--format csv|json] [-o FILE]
                                         已归档的记录，最新的在前
  archive downloads [--format csv|json] [-o FILE]
                                         已归档的下载和导入
  archive import FILE...                 将记录表归档（CSV、.xls、.xlsx）
  archive note DOWNLOAD_ID TEXT          设置一次下载的备注
  archive copy --to URL                  将本归档复制到另一个归档中
  archive init                           创建或迁移归档；为团队的角色授权
  archive pending [--send-to URL] [--format csv|json] [-o FILE]
                                         保存在本机、尚未送达其归档的下载；
                                         或将其发送到 URL
  archive pending --discard UUID --yes   放弃其中一个（本机的副本）

选项：
  --port DEVICE  使用 DEVICE（串口或伪终端），而不搜索 USB 串口
  --demo         启动一台虚拟功率计并使用它
  --quiet        不显示进度和提示，只显示错误
  -o FILE        写入 FILE 而不是标准输出（&quot;-&quot;）；普通文件在写完后才被替换，
                 设备或 FIFO 则直接写入
  --yes          允许命令更改功率计
  --archive PATH|postgresql://...|service=NAME
                 要使用的归档（也可由 QX390D_ARCHIVE 指定）；默认为
                 程序数据文件夹中的 archive.sqlite
  --archive-service NAME  libpq 服务的 PostgreSQL 归档
  --no-archive   records 不在归档中保存任何内容
  -h, --help     显示本说明
  -v, -V, --version  显示版本

退出码：0 完成；1 功率计出错（未及时应答、已拔出、拒绝执行）或无法写入输出；
2 用法错误；3 找不到或无法打开端口；4 records 已下载，但该下载既不在任何归档中，
也未保存在本机。
</translation>
    </message>
    <message>
        <source>
More commands:
  ports --udev-rule                      a udev rule that gives the logged-in user the
                                         meter found (its USB ids and serial number)
  thresholds presets                     the threshold presets, a channel per line
  thresholds set --preset NAME --group N [--margin DB] --yes
                                         download the groups, set group N&apos;s channels
                                         of the preset (Pass = Fail + DB, 3 by
                                         default) and upload all three
  archive list ... --note TEXT           only records of downloads whose note holds
                                         TEXT (in any case, as the Archive window)
  archive list ... --job T --ont T       only records whose job, whose ONT holds T
                                         (in any case, as the Archive window)
  archive assign (--download ID | --record ID)... [--job T] [--site T] [--ont T]
                 [--pon-port T] [--technician T]
                                         say where the records were measured
  archive jobs [--format csv|json] [-o FILE]
                                         each job: its sites, ONTs, records, first
                                         and last measurement and worst verdict
  archive report --job T -o FILE.pdf     the job&apos;s report: cover, chart, records by
                                         site, signature lines
</source>
        <translation>
更多命令：
  ports --udev-rule                      生成一条 udev 规则，让已登录的用户使用找到的
                                         功率计（按其 USB 标识和序列号）
  thresholds presets                     阈值预设，每行一个通道
  thresholds set --preset NAME --group N [--margin DB] --yes
                                         下载各组阈值，按预设设置第 N 组的相应通道
                                         （合格 = 不合格 + DB，默认 3），再上传全部三组
  archive list ... --note TEXT           只列出备注中含有 TEXT 的下载的记录
                                         （不分大小写，与归档窗口相同）
  archive list ... --job T --ont T       只列出工单、ONT 含有 T 的记录
                                         （不分大小写，与归档窗口相同）
  archive assign (--download ID | --record ID)... [--job T] [--site T] [--ont T]
                 [--pon-port T] [--technician T]
                                         指明记录的测量地点
  archive jobs [--format csv|json] [-o FILE]
                                         每个工单：其站点、ONT、记录数、首次和
                                         末次测量时间及最差判定
  archive report --job T -o FILE.pdf     该工单的报告：封面、图表、按站点列出的记录、
                                         签名栏
</translation>
    </message>
</context>
<context>
    <name>CliSession</name>
    <message>
        <source>the meter did not answer %1 within %2 s</source>
        <translation>功率计未在 %2 秒内应答：%1</translation>
    </message>
    <message>
        <source>the meter&apos;s port went away (unplugged or switched off?)</source>
        <translation>功率计的端口消失了（已拔出或已关机？）</translation>
    </message>
    <message>
        <source>the serial ports cannot be listed: /sys/class/tty cannot be read</source>
        <translation>无法列出串口：无法读取 /sys/class/tty</translation>
    </message>
    <message>
        <source>no USB serial port of the cdc_acm or cp210x driver</source>
        <translation>没有使用 cdc_acm 或 cp210x 驱动的 USB 串口</translation>
    </message>
    <message>
        <source>no meter found: no USB serial port of the cdc_acm or cp210x driver (name one with --port)</source>
        <translation>未找到功率计：没有使用 cdc_acm 或 cp210x 驱动的 USB 串口（可用 --port 指定一个）</translation>
    </message>
    <message>
        <source>cannot open %1</source>
        <translation>无法打开 %1</translation>
    </message>
    <message>
        <source>the connect handshake</source>
        <translation>连接握手</translation>
    </message>
    <message>
        <source>the request for record 1</source>
        <translation>记录 1 的请求</translation>
    </message>
    <message>
        <source>threshold part 1 of 9</source>
        <translation>阈值第 1 部分（共 9 部分）</translation>
    </message>
    <message>
        <source>the calibration command</source>
        <translation>校准命令</translation>
    </message>
    <message>
        <source>calibrated %1 to %2 dBm</source>
        <translation>已将 %1 校准为 %2 dBm</translation>
    </message>
    <message>
        <source>restored the factory calibration</source>
        <translation>已恢复出厂校准</translation>
    </message>
    <message>
        <source>deleted all records</source>
        <translation>已删除全部记录</translation>
    </message>
    <message>
        <source>deleted record %1</source>
        <translation>已删除记录 %1</translation>
    </message>
    <message>
        <source>record %1/%2</source>
        <translation>记录 %1/%2</translation>
    </message>
    <message>
        <source>the request for record %1 of %2</source>
        <translation>记录 %1（共 %2 条）的请求</translation>
    </message>
    <message>
        <source>the end of the download</source>
        <translation>下载结束</translation>
    </message>
    <message>
        <source>the meter holds no records; nothing was deleted</source>
        <translation>功率计中没有记录；未删除任何内容</translation>
    </message>
    <message>
        <source>the delete command</source>
        <translation>删除命令</translation>
    </message>
    <message>
        <source>threshold part %1/%2</source>
        <translation>阈值部分 %1/%2</translation>
    </message>
    <message>
        <source>threshold part %1 of %2</source>
        <translation>阈值第 %1 部分（共 %2 部分）</translation>
    </message>
    <message>
        <source>the end of the threshold download</source>
        <translation>阈值下载结束</translation>
    </message>
    <message>
        <source>the meter&apos;s threshold answers were incomplete (%1 of %2 parts)</source>
        <translation>功率计的阈值应答不完整（只收到 %2 部分中的 %1 部分）</translation>
    </message>
    <message>
        <source>downloaded the three threshold groups</source>
        <translation>已下载三个阈值组</translation>
    </message>
    <message>
        <source>upload part %1/%2</source>
        <translation>上传部分 %1/%2</translation>
    </message>
    <message>
        <source>the upload of group %1, part %2</source>
        <translation>组 %1 第 %2 部分的上传</translation>
    </message>
    <message>
        <source>downloaded %1 records</source>
        <translation>已下载 %1 条记录</translation>
    </message>
    <message>
        <source>the meter holds no records</source>
        <translation>功率计中没有记录</translation>
    </message>
    <message>
        <source>the meter reports %1 records; at most %2 can be downloaded</source>
        <translation>功率计报告有 %1 条记录；最多只能下载 %2 条</translation>
    </message>
    <message>
        <source>uploaded the three threshold groups</source>
        <translation>已上传三个阈值组</translation>
    </message>
    <message>
        <source>the virtual meter cannot start: %1</source>
        <translation>虚拟功率计无法启动：%1</translation>
    </message>
    <message>
        <source>%1 reports no USB vendor and product ids: no rule can match it</source>
        <translation>%1 未报告 USB 厂商和产品标识：无法为其写出规则</translation>
    </message>
    <message>
        <source>group %1: the channels of preset %2 set</source>
        <translation>第 %1 组：已按预设 %2 设置其通道</translation>
    </message>
    <message>
        <source>no threshold preset was found</source>
        <translation>未找到阈值预设</translation>
    </message>
    <message>
        <source>no threshold preset named %1 (thresholds presets lists them)</source>
        <translation>没有名为 %1 的阈值预设（thresholds presets 可列出全部预设）</translation>
    </message>
    <message>
        <source>%1 is an own preset whose Pass limits stay as saved; --margin does not apply</source>
        <translation>%1 是自定义预设，其合格限值保持保存时的值；--margin 不适用</translation>
    </message>
    <message>
        <source>warning: group %1, %2: the limits are out of order</source>
        <translation>警告：第 %1 组，%2：限值顺序颠倒</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>stopped; what was kept on this PC waits for the archive&apos;s next successful connection</source>
        <translation>已停止；保存在本机的内容将在下次成功连接归档时发送</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Usage: qx390d [--port DEVICE] [--demo] [--help] [--version]
Data management for the QX390D XG-PON optical power meter.

  --port DEVICE  connect to DEVICE (a serial port such as /dev/ttyUSB2, or a
                 pseudo-terminal) instead of searching the USB serial ports
  --demo         start a virtual meter inside the program and connect to it
  --archive PATH|postgresql://...|service=NAME
                 the archive that keeps every download and import (also
                 QX390D_ARCHIVE); by default the one chosen in Archive
                 Settings, else archive.sqlite in the program&apos;s data folder
  --archive-service NAME  the PostgreSQL archive of a libpq service
  --no-archive   keep nothing in the archive in this session
  -h, --help     show this text
  -v, -V, --version  show the program&apos;s version
</source>
        <translation>用法：qx390d [--port DEVICE] [--demo] [--help] [--version]
QX390D XG-PON 光功率计的数据管理程序。

  --port DEVICE  连接到 DEVICE（串口，如 /dev/ttyUSB2，或伪终端），
                 而不搜索 USB 串口
  --demo         在程序内启动一台虚拟功率计并连接到它
  --archive PATH|postgresql://...|service=NAME
                 保存每次下载和导入的归档（也可由 QX390D_ARCHIVE 指定）；
                 默认为“归档设置”中选定的归档，否则为程序数据文件夹中的
                 archive.sqlite
  --archive-service NAME  libpq 服务的 PostgreSQL 归档
  --no-archive   本次会话不在归档中保存任何内容
  -h, --help     显示本说明
  -v, -V, --version  显示程序版本
</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>多余的参数“%1”。</translation>
    </message>
    <message>
        <source>
Try &apos;qx390d --help&apos;.
</source>
        <translation>
请运行 &apos;qx390d --help&apos; 查看用法。
</translation>
    </message>
    <message>
        <source>qx390d: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); qx390d-cli works without one
</source>
        <translation>qx390d: 没有可用于打开窗口的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置）；qx390d-cli 无需显示即可使用
</translation>
    </message>
    <message>
        <source>the archive of Archive Settings cannot be used: </source>
        <translation>无法使用“归档设置”中的归档: </translation>
    </message>
</context>
<context>
    <name>ConnectionCommands</name>
    <message>
        <source>Do you want to delete all data?</source>
        <translation>确定要删除全部数据吗？</translation>
    </message>
    <message>
        <source>Delete the %1th test data?</source>
        <translation>删除第 %1 条测试数据吗？</translation>
    </message>
    <message>
        <source>Conneced Fail!</source>
        <translation>连接失败！</translation>
    </message>
    <message>
        <source>Open port failed,Please make sure the equipment  is turned on or connection is normal!</source>
        <translation>打开端口失败，请确认设备已开机且连接正常！</translation>
    </message>
    <message>
        <source>Connection has been disconnected!</source>
        <translation>连接已断开！</translation>
    </message>
    <message>
        <source>Have no data can be deleted!</source>
        <translation>没有可删除的数据！</translation>
    </message>
</context>
<context>
    <name>DownloadProgress</name>
    <message>
        <source>Record %1 of %2</source>
        <translation>第 %1 条记录，共 %2 条</translation>
    </message>
</context>
<context>
    <name>ExchangeWatch</name>
    <message>
        <source>The meter stopped answering during the record download (record %1 of %2).</source>
        <translation>下载记录时功率计停止了应答（第 %1 条，共 %2 条）。</translation>
    </message>
    <message>
        <source>The meter stopped answering during the record download (record %1).</source>
        <translation>下载记录时功率计停止了应答（第 %1 条）。</translation>
    </message>
    <message>
        <source>The meter stopped answering during the threshold download (group %1, part %2).</source>
        <translation>下载阈值时功率计停止了应答（组 %1，第 %2 部分）。</translation>
    </message>
    <message>
        <source>The meter stopped answering during the threshold upload (group %1, part %2).</source>
        <translation>上传阈值时功率计停止了应答（组 %1，第 %2 部分）。</translation>
    </message>
</context>
<context>
    <name>Export</name>
    <message>
        <source>Data has already been successfully exported.</source>
        <translation>数据已成功导出。</translation>
    </message>
    <message>
        <source>already exist.<byte value="xd"/>
Is to replace it?</source>
        <translation>已存在。<byte value="xd"/>
要替换它吗？</translation>
    </message>
    <message>
        <source>The file can’t be saved.<byte value="xd"/>
Because it is being opened by other program.<byte value="xd"/>
Please be sure to close this file firstly!</source>
        <translation>无法保存文件。<byte value="xd"/>
因为该文件已被其他程序打开。<byte value="xd"/>
请先关闭此文件！</translation>
    </message>
    <message>
        <source>The data could not be written completely; the file has been left as it was.<byte value="xd"/>
</source>
        <translation>数据未能完整写入；文件保持原样。<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Csv  (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>Excel Workbook (*.xlsx)</source>
        <translation>Excel 工作簿 (*.xlsx)</translation>
    </message>
    <message>
        <source>PDF Report (*.pdf)</source>
        <translation>PDF 报告 (*.pdf)</translation>
    </message>
</context>
<context>
    <name>HelpFile</name>
    <message>
        <source>The help cannot be opened: no program to show it was found.
Open this file with a web browser:
%1</source>
        <translation>无法打开帮助：找不到能显示帮助的程序。
请用网页浏览器打开此文件：
%1</translation>
    </message>
</context>
<context>
    <name>Import</name>
    <message>
        <source>Csv File (*.csv);;Excel File (*.xls);;Excel Workbook (*.xlsx)</source>
        <translation>CSV 文件 (*.csv);;Excel 文件 (*.xls);;Excel 工作簿 (*.xlsx)</translation>
    </message>
    <message>
        <source>An error occurred downloading data!</source>
        <translation>导入数据时出错！</translation>
    </message>
    <message>
        <source>Data already successful export to Management software! </source>
        <translation>数据已成功导入管理软件！ </translation>
    </message>
    <message>
        <source>The file cannot be read as a table; the table has been left as it was.<byte value="xd"/>
</source>
        <translation>无法将该文件作为表格读取；表格保持原样。<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>JobReport</name>
    <message>
        <source>Customer / job:</source>
        <translation>客户 / 工单：</translation>
    </message>
    <message>
        <source>Sites:</source>
        <translation>站点：</translation>
    </message>
    <message>
        <source>Technicians:</source>
        <translation>技术员：</translation>
    </message>
    <message>
        <source>First measurement:</source>
        <translation>首次测量：</translation>
    </message>
    <message>
        <source>Last measurement:</source>
        <translation>最后测量：</translation>
    </message>
    <message>
        <source>Meters (USB serial numbers):</source>
        <translation>功率计（USB 序列号）：</translation>
    </message>
    <message>
        <source>Records:</source>
        <translation>记录数：</translation>
    </message>
    <message>
        <source>Report made:</source>
        <translation>报告生成时间：</translation>
    </message>
    <message>
        <source>Program:</source>
        <translation>程序：</translation>
    </message>
    <message>
        <source>Technician</source>
        <translation>技术员</translation>
    </message>
    <message>
        <source>Customer</source>
        <translation>客户</translation>
    </message>
    <message>
        <source>Records without a site</source>
        <translation>无站点的记录</translation>
    </message>
    <message>
        <source>Site: %1</source>
        <translation>站点：%1</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>Signatures</source>
        <translation>签字</translation>
    </message>
    <message>
        <source>Name, date, signature</source>
        <translation>姓名、日期、签字</translation>
    </message>
    <message>
        <source>Job Report: %1</source>
        <translation>工单报告：%1</translation>
    </message>
    <message>
        <source>Power chart</source>
        <translation>功率图表</translation>
    </message>
    <message>
        <source>no record has the job &apos;%1&apos;</source>
        <translation>没有记录属于任务“%1”</translation>
    </message>
    <message>
        <source>the report could not be made</source>
        <translation>无法生成报告</translation>
    </message>
    <message>
        <source>cannot write the report to standard output</source>
        <translation>无法将报告写到标准输出</translation>
    </message>
</context>
<context>
    <name>JobReportProcess</name>
    <message>
        <source>it was not drawn within %1 s</source>
        <translation>未能在 %1 秒内绘制完成</translation>
    </message>
</context>
<context>
    <name>MainView</name>
    <message>
        <source>DownLoad Data</source>
        <translation>下载数据</translation>
    </message>
    <message>
        <source>Threshold Setting</source>
        <translation>阈值设置</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校准</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Connect PON power meter...</source>
        <translation>连接 PON 功率计...</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>DownLoad Data to PC</source>
        <translation>下载数据到电脑</translation>
    </message>
    <message>
        <source>Delete current data</source>
        <translation>删除当前数据</translation>
    </message>
    <message>
        <source>Delete all data</source>
        <translation>删除全部数据</translation>
    </message>
    <message>
        <source>DownLoad threshold to PC</source>
        <translation>下载阈值到电脑</translation>
    </message>
    <message>
        <source>Set threshold</source>
        <translation>设置阈值</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>打开(&amp;O)...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>保存(&amp;S)</translation>
    </message>
    <message>
        <source>Export as Excel Workbook...</source>
        <translation>导出为 Excel 工作簿...</translation>
    </message>
    <message>
        <source>Export Report (PDF)...</source>
        <translation>导出报告 (PDF)...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Tool</source>
        <translation>工具栏(&amp;T)</translation>
    </message>
    <message>
        <source>Power Chart</source>
        <translation>功率图表</translation>
    </message>
    <message>
        <source>Archive...</source>
        <translation>归档...</translation>
    </message>
    <message>
        <source>Archive Settings...</source>
        <translation>归档设置...</translation>
    </message>
    <message>
        <source>&amp;Manage</source>
        <translation>管理(&amp;M)</translation>
    </message>
    <message>
        <source>Disconneced</source>
        <translation>断开连接</translation>
    </message>
    <message>
        <source>DownLoad data to PC</source>
        <translation>下载数据到电脑</translation>
    </message>
    <message>
        <source>UpLoad Threshold</source>
        <translation>上传阈值</translation>
    </message>
    <message>
        <source>Save Thresholds to File...</source>
        <translation>将阈值保存到文件...</translation>
    </message>
    <message>
        <source>Load Thresholds from File...</source>
        <translation>从文件载入阈值...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>About PON power meter...</source>
        <translation>关于 PON 功率计...</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>VB4417 XGPON Power Meter Data Management Software</source>
        <translation>VB4417 XGPON 功率计数据管理软件</translation>
    </message>
    <message>
        <source>Are you sure to quit the management software?</source>
        <translation>确定要退出管理软件吗？</translation>
    </message>
    <message>
        <source>Apply Threshold Preset...</source>
        <translation>应用阈值预设...</translation>
    </message>
    <message>
        <source>Assign Job...</source>
        <translation>分配工单...</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>PON Prompt Message</source>
        <translation>PON 提示信息</translation>
    </message>
    <message>
        <source>Ther serial port has been disconnected unexpectedly.Please reconnect.</source>
        <translation>串口意外断开，请重新连接。</translation>
    </message>
</context>
<context>
    <name>MeterAnswers</name>
    <message>
        <source>Connected Success!</source>
        <translation>连接成功！</translation>
    </message>
    <message>
        <source>DownLoad Threshold Complete!</source>
        <translation>阈值下载完成！</translation>
    </message>
    <message>
        <source>UpLoad Threshold Complete!</source>
        <translation>阈值上传完成！</translation>
    </message>
</context>
<context>
    <name>OntHistoryWindow</name>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>ONT History: %1</source>
        <translation>ONT 历史：%1</translation>
    </message>
    <message>
        <source>All channels</source>
        <translation>全部通道</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>测量时间</translation>
    </message>
    <message>
        <source>Power (dBm)</source>
        <translation>功率 (dBm)</translation>
    </message>
    <message>
        <source>%1 LOW</source>
        <translation>%1 LOW</translation>
    </message>
    <message>
        <source>%1 (group %2)</source>
        <translation>%1（组 %2）</translation>
    </message>
    <message>
        <source>ONT %1: %2 records (%3 without a date, not drawn)</source>
        <translation>ONT %1：%2 条记录（%3 条无日期，未绘制）</translation>
    </message>
    <message>
        <source>ONT %1: %2 records</source>
        <translation>ONT %1：%2 条记录</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>PNG Image (*.png);;PDF Document (*.pdf)</source>
        <translation>PNG 图像 (*.png);;PDF 文档 (*.pdf)</translation>
    </message>
</context>
<context>
    <name>OutputFile</name>
    <message>
        <source>cannot write to standard output: %1</source>
        <translation>无法写入标准输出：%1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
</context>
<context>
    <name>PdfReport</name>
    <message>
        <source>QX390D Power Meter Test Report</source>
        <translation>QX390D 功率计测试报告</translation>
    </message>
    <message>
        <source>USB serial number %1</source>
        <translation>USB 序列号 %1</translation>
    </message>
    <message>
        <source>vendor %1</source>
        <translation>厂商 ID %1</translation>
    </message>
    <message>
        <source>product %1</source>
        <translation>产品 ID %1</translation>
    </message>
    <message>
        <source>none (no meter connected)</source>
        <translation>无（未连接功率计）</translation>
    </message>
    <message>
        <source>Date: %1</source>
        <translation>日期：%1</translation>
    </message>
    <message>
        <source>Device: %1</source>
        <translation>设备：%1</translation>
    </message>
    <message>
        <source>Meter: %1</source>
        <translation>功率计：%1</translation>
    </message>
    <message>
        <source>Operator: %1</source>
        <translation>操作员：%1</translation>
    </message>
    <message>
        <source>Note: %1</source>
        <translation>备注：%1</translation>
    </message>
    <message>
        <source>Program: qx390d %1</source>
        <translation>程序：qx390d %1</translation>
    </message>
    <message>
        <source>Records: %1</source>
        <translation>记录数：%1</translation>
    </message>
    <message>
        <source>Verdicts</source>
        <translation>判定结果</translation>
    </message>
    <message>
        <source>No verdicts: the threshold groups of these records were not known to the program.</source>
        <translation>无判定：程序不知道这些记录所用的阈值组。</translation>
    </message>
    <message>
        <source>Records</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>Threshold groups used</source>
        <translation>所用阈值组</translation>
    </message>
    <message>
        <source>The records name no threshold group 1 to 3.</source>
        <translation>这些记录没有指明阈值组 1 至 3 中的任何一个。</translation>
    </message>
    <message>
        <source>Group %1: limits not known (not downloaded in this session); its records have no verdict.</source>
        <translation>组 %1：限值未知（本次会话中未下载）；其记录没有判定。</translation>
    </message>
    <message>
        <source>Group %1 (dBm)</source>
        <translation>组 %1 (dBm)</translation>
    </message>
    <message>
        <source>Group %1, %2 (dBm)</source>
        <translation>组 %1，%2 (dBm)</translation>
    </message>
    <message>
        <source>Power chart</source>
        <translation>功率图表</translation>
    </message>
    <message>
        <source>Where measured</source>
        <translation>测量位置</translation>
    </message>
    <message>
        <source>File: %1</source>
        <translation>文件：%1</translation>
    </message>
</context>
<context>
    <name>PlaceHistoryDialog</name>
    <message>
        <source>Place History</source>
        <translation>位置历史</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>Changed At</source>
        <translation>更改时间</translation>
    </message>
    <message>
        <source>Changed By</source>
        <translation>更改者</translation>
    </message>
    <message>
        <source>Earlier %1</source>
        <translation>原%1</translation>
    </message>
</context>
<context>
    <name>PostgresLocation</name>
    <message>
        <source>%1 holds a &apos;%&apos; that is not followed by two hex digits</source>
        <translation>%1 含有后面不是两位十六进制数字的“%”</translation>
    </message>
    <message>
        <source>%1 is not UTF-8 once decoded</source>
        <translation>%1 解码后不是 UTF-8</translation>
    </message>
    <message>
        <source>%1 holds a control character</source>
        <translation>%1 含有控制字符</translation>
    </message>
    <message>
        <source>%1 holds a &apos;;&apos;, which the server&apos;s driver cannot pass on</source>
        <translation>%1 含有“;”，服务器驱动无法传递它</translation>
    </message>
    <message>
        <source>an IPv6 address is not closed with &apos;]&apos;</source>
        <translation>IPv6 地址没有以“]”结束</translation>
    </message>
    <message>
        <source>an IPv6 address holds a character that is not hex, &apos;:&apos; or &apos;.&apos;</source>
        <translation>IPv6 地址含有十六进制数字、“:”和“.”以外的字符</translation>
    </message>
    <message>
        <source>an IPv6 address is followed by something other than a port</source>
        <translation>IPv6 地址后面跟的不是端口</translation>
    </message>
    <message>
        <source>a host may hold letters, digits, &apos;-&apos;, &apos;.&apos;, &apos;_&apos; and &apos;~&apos;; write anything else percent-encoded</source>
        <translation>主机名只能含有字母、数字、“-”、“.”、“_”和“~”；其他字符请用百分号编码</translation>
    </message>
    <message>
        <source>a host</source>
        <translation>主机名</translation>
    </message>
    <message>
        <source>a host holds a &apos;,&apos;</source>
        <translation>主机名含有“,”</translation>
    </message>
    <message>
        <source>a port is not a number from 1 to 65535</source>
        <translation>端口不是 1 到 65535 之间的数字</translation>
    </message>
    <message>
        <source>the option %1 has no value</source>
        <translation>选项 %1 没有值</translation>
    </message>
    <message>
        <source>sslmode is none of disable, allow, prefer, require, verify-ca, verify-full</source>
        <translation>sslmode 不是 disable、allow、prefer、require、verify-ca、verify-full 之一</translation>
    </message>
    <message>
        <source>connect_timeout is not a number of seconds</source>
        <translation>connect_timeout 不是秒数</translation>
    </message>
    <message>
        <source>a server location begins with postgresql:// or postgres://</source>
        <translation>服务器位置须以 postgresql:// 或 postgres:// 开头</translation>
    </message>
    <message>
        <source>the archive URL %1 holds a password (or an &apos;@&apos; not written as %40); put it in ~/.pgpass (mode 0600) or the service file instead</source>
        <translation>归档 URL %1 中含有密码（或未写成 %40 的“@”）；请改为将密码写入 ~/.pgpass（权限 0600）或服务文件</translation>
    </message>
    <message>
        <source>an &apos;@&apos; outside the user name must be written as %40</source>
        <translation>用户名以外的“@”须写成 %40</translation>
    </message>
    <message>
        <source>the location holds a blank or a control character; write it percent-encoded (a blank as %20)</source>
        <translation>位置中含有空格或控制字符；请用百分号编码（空格写成 %20）</translation>
    </message>
    <message>
        <source>the location holds a &apos;#&apos;; write it as %23</source>
        <translation>位置中含有“#”；请写成 %23</translation>
    </message>
    <message>
        <source>the database name holds a &apos;/&apos;; write it as %2F</source>
        <translation>数据库名含有“/”；请写成 %2F</translation>
    </message>
    <message>
        <source>the database name</source>
        <translation>数据库名</translation>
    </message>
    <message>
        <source>the user name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>every option after &apos;?&apos; is NAME=VALUE, joined by &apos;&amp;&apos;</source>
        <translation>“?”之后的每个选项都是 NAME=VALUE，以“&amp;”连接</translation>
    </message>
    <message>
        <source>an option name</source>
        <translation>选项名</translation>
    </message>
    <message>
        <source>a location never holds a password; put it in ~/.pgpass (mode 0600) or the service file instead</source>
        <translation>位置中不能含有密码；请改为将密码写入 ~/.pgpass（权限 0600）或服务文件</translation>
    </message>
    <message>
        <source>an option name holds something other than lower-case letters and &apos;_&apos;</source>
        <translation>选项名含有小写字母和“_”以外的字符</translation>
    </message>
    <message>
        <source>the option %1 is not one the program passes on (these are: %2)</source>
        <translation>程序不传递选项 %1（可用的选项：%2）</translation>
    </message>
    <message>
        <source>%1 is given twice</source>
        <translation>%1 给出了两次</translation>
    </message>
    <message>
        <source>the value of %1</source>
        <translation>%1 的值</translation>
    </message>
</context>
<context>
    <name>PowerChart</name>
    <message>
        <source>No. %1 (%2 dBm)</source>
        <translation>序号 %1 (%2 dBm)</translation>
    </message>
    <message>
        <source>%1 more</source>
        <translation>另有 %1 条</translation>
    </message>
    <message>
        <source>%1 off the scale: %2</source>
        <translation>%1 超出刻度：%2</translation>
    </message>
    <message>
        <source>Record number</source>
        <translation>记录序号</translation>
    </message>
    <message>
        <source>Power (dBm)</source>
        <translation>功率 (dBm)</translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); all channels, no limit lines</source>
        <translation>各记录的功率（LOW：底部的三角形）；全部通道，无限值线</translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); limits of threshold group %1, %2</source>
        <translation>各记录的功率（LOW：底部的三角形）；阈值组 %1 的限值，%2</translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); threshold group %1 not known</source>
        <translation>各记录的功率（LOW：底部的三角形）；阈值组 %1 未知</translation>
    </message>
    <message>
        <source> (off the scale)</source>
        <translation> (超出刻度)</translation>
    </message>
    <message>
        <source>Powers by record (LOW: triangles at the foot); %1; several groups, no limit lines</source>
        <translation>各记录的功率（LOW：底部的三角形）；%1；多个阈值组，无限值线</translation>
    </message>
</context>
<context>
    <name>PowerChartWindow</name>
    <message>
        <source>Save Image...</source>
        <translation>保存图像...</translation>
    </message>
    <message>
        <source>Power Chart</source>
        <translation>功率图表</translation>
    </message>
    <message>
        <source>All channels</source>
        <translation>全部通道</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Limits of threshold group</source>
        <translation>阈值组限值</translation>
    </message>
    <message>
        <source>PNG Image (*.png);;SVG Image (*.svg)</source>
        <translation>PNG 图像 (*.png);;SVG 图像 (*.svg)</translation>
    </message>
</context>
<context>
    <name>PresetDialog</name>
    <message>
        <source>Apply Threshold Preset</source>
        <translation>应用阈值预设</translation>
    </message>
    <message>
        <source>Preset:</source>
        <translation>预设：</translation>
    </message>
    <message>
        <source>Group:</source>
        <translation>组：</translation>
    </message>
    <message>
        <source>Pass margin:</source>
        <translation>合格余量：</translation>
    </message>
    <message>
        <source>Apply to the Page</source>
        <translation>应用到页面</translation>
    </message>
    <message>
        <source>Save Group as Preset...</source>
        <translation>将组保存为预设...</translation>
    </message>
    <message>
        <source>No preset was found.</source>
        <translation>未找到预设。</translation>
    </message>
    <message>
        <source>%1: Over %2, Pass %3, Fail %4 dBm
    source: %5</source>
        <translation>%1：过高 %2，合格 %3，不合格 %4 dBm
    来源：%5</translation>
    </message>
    <message>
        <source>The other channels of group %1 keep their limits. The meter gets the limits only with UpLoad Threshold.</source>
        <translation>第 %1 组的其他通道保留其限值。只有执行“上传阈值”后，功率计才会得到这些限值。</translation>
    </message>
    <message>
        <source>Rule: %1</source>
        <translation>规则：%1</translation>
    </message>
    <message>
        <source>Some presets cannot be read:
%1</source>
        <translation>部分预设无法读取：
%1</translation>
    </message>
    <message>
        <source>Group %1 has a cell without a number; fill it first.</source>
        <translation>第 %1 组有单元格不含数字；请先填写。</translation>
    </message>
    <message>
        <source>Save Group as Preset</source>
        <translation>将组保存为预设</translation>
    </message>
    <message>
        <source>Name of the preset (letters, digits, &apos;.&apos;, &apos;_&apos;, &apos;-&apos;):</source>
        <translation>预设名称（字母、数字、“.”、“_”、“-”）：</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>the virtual meter cannot start: %1</source>
        <translation>虚拟功率计无法启动：%1</translation>
    </message>
    <message>
        <source>qx390d: virtual meter on %1
</source>
        <translation>qx390d: 虚拟功率计位于 %1
</translation>
    </message>
</context>
<context>
    <name>ProgramArchive</name>
    <message>
        <source>A download is running; open the archived records when it has ended.</source>
        <translation>正在下载；请在下载结束后再打开归档记录。</translation>
    </message>
    <message>
        <source>The archive is off (--no-archive): there are no archived records to give a job.</source>
        <translation>归档已关闭 (--no-archive)：没有可分配工单的归档记录。</translation>
    </message>
    <message>
        <source>The data page does not show the last download or import as it was archived; give these records a job in View/Archive... instead.</source>
        <translation>数据页显示的已不是归档时的最近一次下载或导入；请改在“视图/归档...”中为这些记录分配工单。</translation>
    </message>
    <message>
        <source>The job could not be assigned: %1</source>
        <translation>无法分配工单：%1</translation>
    </message>
    <message numerus="yes">
        <source>Sent %n download(s) kept on this PC to the archive</source>
        <translation>
            <numerusform>保存在本机的 %n 次下载已发送到归档</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RecordDownload</name>
    <message>
        <source>DownLoad Data Complete!</source>
        <translation>数据下载完成！</translation>
    </message>
    <message>
        <source>Have no data can be download!</source>
        <translation>没有可下载的数据！</translation>
    </message>
</context>
<context>
    <name>RecordPlace</name>
    <message>
        <source>Job</source>
        <translation>工单</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>站点</translation>
    </message>
    <message>
        <source>ONT</source>
        <translation>ONT</translation>
    </message>
    <message>
        <source>PON Port</source>
        <translation>PON 端口</translation>
    </message>
    <message>
        <source>Technician</source>
        <translation>技术员</translation>
    </message>
</context>
<context>
    <name>RecordTable</name>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>ONT:1270nm</source>
        <translation>ONT:1270nm</translation>
    </message>
    <message>
        <source>ONT:1310nm</source>
        <translation>ONT:1310nm</translation>
    </message>
    <message>
        <source>OLT:1490nm</source>
        <translation>OLT:1490nm</translation>
    </message>
    <message>
        <source>OLT:1577nm</source>
        <translation>OLT:1577nm</translation>
    </message>
    <message>
        <source>Threshold Name</source>
        <translation>阈值名称</translation>
    </message>
    <message>
        <source>Date-Time</source>
        <translation>日期时间</translation>
    </message>
</context>
<context>
    <name>RecordsPage</name>
    <message>
        <source>%1 holds %2 records; the first %3 were read.</source>
        <translation>%1 含有 %2 条记录；已读入前 %3 条。</translation>
    </message>
</context>
<context>
    <name>SerialPort</name>
    <message>
        <source>%1: the port is busy: another program is using it.
Close that program, then connect again.</source>
        <translation>%1：端口忙：另一个程序正在使用它。
请关闭该程序，然后重新连接。</translation>
    </message>
    <message>
        <source>%1: %2
Ask the administrator to add your user to the &apos;dialout&apos; group, then log in again.</source>
        <translation>%1：%2
请让管理员将您的用户加入 &apos;dialout&apos; 组，然后重新登录。</translation>
    </message>
</context>
<context>
    <name>SheetReader</name>
    <message>
        <source>It is neither an Excel 97-2003 workbook (.xls) nor CSV text.</source>
        <translation>该文件既不是 Excel 97-2003 工作簿 (.xls)，也不是 CSV 文本。</translation>
    </message>
    <message>
        <source>It cannot be read: %1.</source>
        <translation>无法读取该文件：%1。</translation>
    </message>
    <message>
        <source>It holds more than %1 MB before the end of line %2 (or a quote in it is never closed); a table of 100 records takes far less.</source>
        <translation>该文件在第 %2 行结束前就已超过 %1 MB（或其中有未闭合的引号）；100 条记录的表格远小于此。</translation>
    </message>
    <message>
        <source>It is not UTF-8 text, and GB18030 text cannot be read here.</source>
        <translation>该文件不是 UTF-8 文本，而此处无法读取 GB18030 文本。</translation>
    </message>
    <message>
        <source>It cannot be opened: %1.</source>
        <translation>无法打开该文件：%1。</translation>
    </message>
    <message>
        <source>The workbook is larger than %1 MB; a table of 100 records takes far less.</source>
        <translation>该工作簿超过 %1 MB；100 条记录的表格远小于此。</translation>
    </message>
    <message>
        <source>The reader of Excel 97-2003 workbooks gave no valid answer (%1).</source>
        <translation>Excel 97-2003 工作簿读取程序没有给出有效结果（%1）。</translation>
    </message>
    <message>
        <source>its answer is incomplete or damaged</source>
        <translation>其结果不完整或已损坏</translation>
    </message>
    <message>
        <source>The reader of Excel 97-2003 workbooks (%1) cannot be started: %2.</source>
        <translation>无法启动 Excel 97-2003 工作簿读取程序 (%1)：%2。</translation>
    </message>
    <message>
        <source>It could not be read in time: the reader of Excel 97-2003 workbooks was stopped at its time limit.</source>
        <translation>未能及时读完该文件：Excel 97-2003 工作簿读取程序已在时限到达时被终止。</translation>
    </message>
    <message>
        <source>Its cells hold more than %1 MB of text; a table of 100 records takes far less.</source>
        <translation>其单元格中的文本超过 %1 MB；100 条记录的表格远小于此。</translation>
    </message>
    <message>
        <source>it crashed; the workbook may be damaged</source>
        <translation>该程序崩溃了；工作簿可能已损坏</translation>
    </message>
    <message>
        <source>it ended with exit code %1</source>
        <translation>该程序以退出码 %1 结束</translation>
    </message>
    <message>
        <source>The workbook is damaged or of a kind that cannot be read (FreeXL error %1).</source>
        <translation>该工作簿已损坏或属于无法读取的类型（FreeXL 错误 %1）。</translation>
    </message>
    <message>
        <source>It is a zip archive, but not an Excel workbook.</source>
        <translation>该文件是 zip 压缩包，但不是 Excel 工作簿。</translation>
    </message>
    <message>
        <source>The workbook is damaged or of a kind that cannot be read (%1).</source>
        <translation>该工作簿已损坏或属于无法读取的类型（%1）。</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>缺少 %1</translation>
    </message>
    <message>
        <source>%1: zip error %2</source>
        <translation>%1：zip 错误 %2</translation>
    </message>
    <message>
        <source>%1 unpacks to more than %2 bytes</source>
        <translation>%1 解压后超过 %2 字节</translation>
    </message>
    <message>
        <source>%1: its checksum is wrong</source>
        <translation>%1：校验和错误</translation>
    </message>
    <message>
        <source>the cell reference &quot;%1&quot; is not valid</source>
        <translation>单元格引用“%1”无效</translation>
    </message>
    <message>
        <source>cell %1%2 names a shared string that is missing</source>
        <translation>单元格 %1%2 引用的共享字符串不存在</translation>
    </message>
    <message>
        <source>The zip archive is damaged or incomplete.</source>
        <translation>该 zip 压缩包已损坏或不完整。</translation>
    </message>
    <message>
        <source>the zip archive has more than %1 members</source>
        <translation>该 zip 压缩包中的成员超过 %1 个</translation>
    </message>
</context>
<context>
    <name>ThresholdFile</name>
    <message>
        <source>line %1, column %2</source>
        <translation>第 %1 行，第 %2 列</translation>
    </message>
    <message>
        <source>groups entry %1 is not an object</source>
        <translation>groups 的第 %1 项不是对象</translation>
    </message>
    <message>
        <source>groups entry %1: group is missing</source>
        <translation>groups 的第 %1 项：缺少 group</translation>
    </message>
    <message>
        <source>groups entry %1: group %2 is not 1, 2 or 3</source>
        <translation>groups 的第 %1 项：group %2 不是 1、2 或 3</translation>
    </message>
    <message>
        <source>group %1 appears twice</source>
        <translation>组 %1 出现了两次</translation>
    </message>
    <message>
        <source>group %1, name: %2 is not a text</source>
        <translation>组 %1，name：%2 不是文本</translation>
    </message>
    <message>
        <source>group %1, %2</source>
        <translation>组 %1，%2</translation>
    </message>
    <message>
        <source>%1 is missing</source>
        <translation>缺少 %1</translation>
    </message>
    <message>
        <source>%1 is not an object</source>
        <translation>%1 不是对象</translation>
    </message>
    <message>
        <source>%1: %2 is not a number</source>
        <translation>%1：%2 不是数字</translation>
    </message>
    <message>
        <source>%1: %2 is outside -65…30</source>
        <translation>%1：%2 超出 -65…30 的范围</translation>
    </message>
    <message>
        <source>group %1, %2, %3</source>
        <translation>组 %1，%2，%3</translation>
    </message>
    <message>
        <source>the file does not hold a JSON object</source>
        <translation>该文件不含 JSON 对象</translation>
    </message>
    <message>
        <source>version is missing</source>
        <translation>缺少 version</translation>
    </message>
    <message>
        <source>version %1 is not supported (only version %2 is)</source>
        <translation>不支持 version %1（只支持 version %2）</translation>
    </message>
    <message>
        <source>groups is missing</source>
        <translation>缺少 groups</translation>
    </message>
    <message>
        <source>groups is not a list</source>
        <translation>groups 不是列表</translation>
    </message>
    <message>
        <source>group %1 is missing</source>
        <translation>缺少组 %1</translation>
    </message>
</context>
<context>
    <name>ThresholdPreset</name>
    <message>
        <source>%1 is not an object</source>
        <translation>%1 不是对象</translation>
    </message>
    <message>
        <source>%1, %2: no number within -65…30</source>
        <translation>%1，%2：不是 -65…30 之间的数字</translation>
    </message>
    <message>
        <source>%1: the source is missing</source>
        <translation>%1：缺少来源</translation>
    </message>
    <message>
        <source>%1: Pass %2 is not Fail plus the margin %3, at most Over</source>
        <translation>%1：合格 %2 不等于不合格加余量 %3（且不超过过高）</translation>
    </message>
    <message>
        <source>not a JSON object: %1</source>
        <translation>不是 JSON 对象：%1</translation>
    </message>
    <message>
        <source>only version 1 is supported</source>
        <translation>只支持版本 1</translation>
    </message>
    <message>
        <source>it sets no channel</source>
        <translation>未设置任何通道</translation>
    </message>
    <message>
        <source>a preset&apos;s name takes letters, digits, &apos;.&apos;, &apos;_&apos; and &apos;-&apos; only</source>
        <translation>预设名称只能包含字母、数字、“.”、“_”和“-”</translation>
    </message>
    <message>
        <source>cannot be made</source>
        <translation>无法创建</translation>
    </message>
    <message>
        <source>Over %1 is below Pass %2</source>
        <translation>过高 %1 低于合格 %2</translation>
    </message>
    <message>
        <source>Fail %1 is above Pass %2</source>
        <translation>不合格 %1 高于合格 %2</translation>
    </message>
</context>
<context>
    <name>ThresholdsPage</name>
    <message>
        <source>The %1th threshold do not set completely!</source>
        <translation>第 %1 组阈值未设置完整！</translation>
    </message>
    <message>
        <source>Please input number!</source>
        <translation>请输入数字！</translation>
    </message>
    <message>
        <source>Please set the threshold between -65 and 30</source>
        <translation>请将阈值设置在 -65 到 30 之间</translation>
    </message>
    <message>
        <source>Sure you want to reset threshold value?</source>
        <translation>确定要重新设置阈值吗？</translation>
    </message>
    <message>
        <source>Over</source>
        <translation>过高</translation>
    </message>
    <message>
        <source>Pass</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>不合格</translation>
    </message>
    <message>
        <source>Threshold files (*.json)</source>
        <translation>阈值文件 (*.json)</translation>
    </message>
    <message>
        <source>Threshold Name</source>
        <translation>阈值名称</translation>
    </message>
    <message>
        <source>group %1, %2, %3</source>
        <translation>组 %1，%2，%3</translation>
    </message>
    <message>
        <source>%1: the cell holds no number; nothing was saved.</source>
        <translation>%1：单元格中不是数字；未保存任何内容。</translation>
    </message>
    <message>
        <source>The thresholds have been saved to %1</source>
        <translation>阈值已保存到 %1</translation>
    </message>
    <message>
        <source>The thresholds could not be saved.<byte value="xd"/>
%1</source>
        <translation>无法保存阈值。<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>The file cannot be loaded; the grid has been left as it was.<byte value="xd"/>
%1</source>
        <translation>无法载入该文件；表格保持原样。<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>The limits are out of order: %1</source>
        <translation>限值顺序颠倒：%1</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>Pass</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>Marginal</source>
        <translation>临界</translation>
    </message>
    <message>
        <source>Over</source>
        <translation>过高</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>不合格</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>A verdict and how many records have it (&quot;Pass: 3&quot;).</extracomment>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>No verdict: %1</source>
        <translation>无判定：%1</translation>
    </message>
    <message>
        <source>%1 (threshold group %2: Over %3, Pass %4, Fail %5 dBm)</source>
        <translation>%1（阈值组 %2：过高 %3，合格 %4，不合格 %5 dBm）</translation>
    </message>
    <message>
        <source>The limits are out of order: %1</source>
        <translation>限值顺序颠倒：%1</translation>
    </message>
</context>
</TS>
