# DBD::ODBC against the driver: get_info of 16-bit and 32-bit answers, ping, the catalog with
# patterns, NULL text, and a prepared SELECT run again with longer values than its first run.
use strict;
use warnings;
use DBI qw(:sql_types);
use Test::More;

my $dbh = DBI->connect("dbi:ODBC:DSN=$ENV{VDL_DSN}", '', '', { RaiseError => 1, PrintError => 0, AutoCommit => 1 })
    or die $DBI::errstr;

# get_info: DBD::ODBC fills its buffer with 0xFF and reads as many bytes as the driver says it wrote.
is($dbh->get_info(46), 0, 'SQL_TXN_CAPABLE is 0 (SQL_TC_NONE), a 16-bit answer');
is($dbh->get_info(1), 1, 'SQL_MAX_CONCURRENT_ACTIVITIES is 1, a 16-bit answer');
is($dbh->get_info(85), 1, 'SQL_NULL_COLLATION is SQL_NC_LOW, a 16-bit answer');
is($dbh->get_info(74), 2, 'SQL_CORRELATION_NAME is SQL_CN_ANY, a 16-bit answer');
my $aggregates = 0x01 | 0x02 | 0x04 | 0x08 | 0x10 | 0x20 | 0x40;
is($dbh->get_info(169), $aggregates, 'SQL_AGGREGATE_FUNCTIONS: every aggregate, a 32-bit answer');
ok(($dbh->get_info(146) & 1) == 1, 'SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1 claims SQL_CA1_NEXT');
is($dbh->get_info(17), 'Vandrel', 'SQL_DBMS_NAME');
is($dbh->get_info(29), '"', 'SQL_IDENTIFIER_QUOTE_CHAR');
is($dbh->get_info(14), '\\', 'SQL_SEARCH_PATTERN_ESCAPE');

# ping asks SQLTables about a table that does not exist: an empty answer, so true.
ok($dbh->ping, 'ping');
ok($dbh->ping, 'ping again');

# table_info and column_info with search patterns.
my $names = sub { my ($sth, $column) = @_; [map { $_->{$column} } @{ $sth->fetchall_arrayref({}) }] };
is_deeply($names->($dbh->table_info(undef, undef, 'cpu%', 'TABLE'), 'TABLE_NAME'), ['cpu_load', 'cpuxload'],
    'table_info with %');
is_deeply($names->($dbh->table_info(undef, undef, 'cpu_load', undef), 'TABLE_NAME'), ['cpu_load', 'cpuxload'],
    'table_info: _ stands for any one character');
is_deeply($names->($dbh->table_info(undef, undef, 'cpu\\_load', undef), 'TABLE_NAME'), ['cpu_load'],
    'table_info: \\_ stands for itself');
is_deeply($names->($dbh->table_info(undef, undef, 'missing', undef), 'TABLE_NAME'), [], 'a missing table: no rows');
is_deeply($names->($dbh->table_info(undef, undef, '%', 'VIEW'), 'TABLE_NAME'), [], 'no views');
is_deeply($names->($dbh->column_info(undef, undef, 'cpu\\_load', '%'), 'COLUMN_NAME'), ['$timestamp', 'host', 'load'],
    'column_info of one table');
is_deeply($names->($dbh->column_info(undef, undef, 'cpu\\_load', 'l%'), 'COLUMN_NAME'), ['load'],
    'column_info with a column pattern');
my $info = $dbh->column_info(undef, undef, 'notes', 'body')->fetchrow_hashref;
is($info->{TYPE_NAME}, 'STRING', 'the type name of a text column');
is($info->{DATA_TYPE}, SQL_CHAR, 'its SQL type');
is_deeply($names->($dbh->column_info(undef, undef, 'missing', '%'), 'COLUMN_NAME'), [], 'columns of a missing table');
is_deeply([$dbh->primary_key(undef, undef, 'notes')], ['$timestamp'], 'the primary key');

# A text column holding NULL.
my $rows = $dbh->selectall_arrayref('select body from notes where k = 1 order by $timestamp');
is_deeply($rows, [['a'], [undef], ['bc']], 'NULL text comes back as undef');
my $sth = $dbh->prepare('select k, body from notes where k = 1 and body is null');
$sth->execute;
is($sth->{TYPE}[1], SQL_CHAR, 'an all-NULL text column is described as text');
is_deeply($sth->fetchall_arrayref, [[1, undef]], 'an all-NULL text column is fetched');

# A prepared SELECT run twice: the second run's texts are longer than any of the first. DBD::ODBC
# sizes its buffers once, from the description it reads after the first execution.
$sth = $dbh->prepare('select body from notes where k = ? order by $timestamp');
$sth->execute(1);
is_deeply($sth->fetchall_arrayref, [['a'], [undef], ['bc']], 'first execution');
$sth->execute(2);
my $second = eval { $sth->fetchall_arrayref };
is($@, '', 'second execution fetches without an error');
is(length($second->[0][0] // ''), 3000, 'the long text whole');
is($second->[1][0], undef, 'and the NULL');

# An empty result keeps its column types.
$sth = $dbh->prepare('select $timestamp, price, volume, sym from trades where 1 = 0');
$sth->execute;
is_deeply($sth->{TYPE}, [SQL_TYPE_TIMESTAMP, SQL_DOUBLE, SQL_BIGINT, SQL_CHAR], 'types of an empty result');
is_deeply($sth->fetchall_arrayref, [], 'no rows');

$dbh->disconnect;
done_testing();
